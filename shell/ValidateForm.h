// The result of "&Validate...": every invalid entity of the study with its message, one row per
// scenario in which the entity's own values are wrong. Clicking a row locates the entity on the
// map when it has a place there.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QTreeWidget;

namespace zep::model {
class TEntity;
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::shell {

struct TValidationFinding {
    model::TEntity* entity;
    const model::TScenario* scenario; ///< nullptr when the message concerns the whole entity
    std::string message;
};

/// The study's findings, list by list as the project validates them.
std::vector<TValidationFinding> ValidationFindings(model::TProject& project);

class TValidateForm : public QWidget {
    Q_OBJECT
public:
    TValidateForm(std::vector<TValidationFinding> findings, QWidget* parent);
    QTreeWidget* List() const { return list_; }
    const std::vector<TValidationFinding>& Findings() const { return findings_; }
    /// Locates the entity of row `row`.
    void Locate(int row);
    /// Told the entity (and the scenario of the finding) to show on the map.
    std::function<void(model::TEntity*, const model::TScenario*)> onLocate;

private:
    std::vector<TValidationFinding> findings_;
    QTreeWidget* list_;
};

} // namespace zep::shell
