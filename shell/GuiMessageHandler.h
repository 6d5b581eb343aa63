// The message handler of the desktop application: errors and questions as message boxes,
// status lines in the status bar, progress in its progress bar.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include "foundation/OrvMessages.h"

namespace zep::shell {

class TGuiMessageHandler : public TMessageHandler {
public:
    /// `parent` owns the boxes; `status` and `progress` may be null (the splash has neither).
    TGuiMessageHandler(QWidget* parent, QLabel* status, QProgressBar* progress)
        : parent_(parent), status_(status), progress_(progress) {}

    void Error(const std::string& text) override;
    void Status(const std::string& text) override;
    void Progress(const std::string& text, double fraction) override;
    void ProgressValue(double fraction) override;
    void ProgressDone() override;
    int Ask(const std::string& text, int buttons) override;
    void Fatal(const std::string& text) override;

private:
    /// Lets the window repaint during long work without taking the user's input.
    void KeepAlive();

    QPointer<QWidget> parent_;
    QPointer<QLabel> status_;
    QPointer<QProgressBar> progress_;
    qint64 lastPump_ = 0;
    QString progressText_;
    bool progressLabel_ = false;
};

/// Windows-1252 text of the study to a Qt string and back.
QString ToQ(const std::string& text);
std::string FromQ(const QString& text);

} // namespace zep::shell
