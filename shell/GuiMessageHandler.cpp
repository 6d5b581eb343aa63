#include "shell/GuiMessageHandler.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <algorithm>

#include "foundation/CodePages.h"
#include "foundation/OrvLogging.h"
#include "view/qt/QtCanvas.h"

namespace zep::shell {

QString ToQ(const std::string& text) {
    return view::qt::FromWindows1252(text);
}

std::string FromQ(const QString& text) {
    // Characters outside Windows-1252 become "?": the study's files cannot hold them.
    return Utf8ToAnsi(text.toStdString());
}

void TGuiMessageHandler::Error(const std::string& text) {
    GetLogger("ui").Warning(text);
    QMessageBox::critical(parent_, QStringLiteral("ZEP"), ToQ(text));
}

void TGuiMessageHandler::Status(const std::string& text) {
    if (status_) status_->setText(ToQ(text));
    KeepAlive();
}

void TGuiMessageHandler::Progress(const std::string& text, double fraction) {
    if (!text.empty() && status_) {
        progressText_ = ToQ(text);
        progressLabel_ = true;
        status_->setText(progressText_);
    }
    ProgressValue(fraction);
}

void TGuiMessageHandler::ProgressValue(double fraction) {
    if (progress_) {
        progress_->setVisible(true);
        progress_->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    }
    KeepAlive();
}

void TGuiMessageHandler::ProgressDone() {
    // The progress label is stale once the work is over.
    if (status_ && progressLabel_ && status_->text() == progressText_) status_->clear();
    progressLabel_ = false;
    if (progress_) {
        progress_->reset();
        progress_->setVisible(false);
    }
}

int TGuiMessageHandler::Ask(const std::string& text, int buttons) {
    QMessageBox::StandardButtons b;
    if (buttons & mbYes) b |= QMessageBox::Yes;
    if (buttons & mbNo) b |= QMessageBox::No;
    if (buttons & mbOK) b |= QMessageBox::Ok;
    if (buttons & mbCancel) b |= QMessageBox::Cancel;
    if (buttons & mbAbort) b |= QMessageBox::Abort;
    if (buttons & mbRetry) b |= QMessageBox::Retry;
    if (buttons & mbIgnore) b |= QMessageBox::Ignore;
    switch (QMessageBox::question(parent_, QStringLiteral("ZEP"), ToQ(text), b)) {
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Abort:
        return mrAbort;
    case QMessageBox::Retry:
        return mrRetry;
    case QMessageBox::Ignore:
        return mrIgnore;
    default:
        return mrCancel;
    }
}

void TGuiMessageHandler::Fatal(const std::string& text) {
    GetLogger("ui").Error(text);
    QMessageBox::critical(parent_, QStringLiteral("ZEP"), ToQ(text));
}

void TGuiMessageHandler::KeepAlive() {
    // Ten times a second is enough for the bar to move and the window to repaint.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastPump_ < 100) return;
    lastPump_ = now;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace zep::shell
