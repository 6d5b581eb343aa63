#include "undo/CMDStk_.h"

namespace zep::undo {

TCommand::TCommand(TUndoSet* undoSet, std::string name)
    : name_(std::move(name)), undoSet_(undoSet), transaction_(undoSet->BeginTransaction()) {}

void TCommand::Do() {
    SetCurrentUndoSet(undoSet_);
}

void TCommand::Undo() {
    undoSet_->UndoTo(transaction_);
}

void TCommandStack::AddCommand(std::unique_ptr<TCommand> command) {
    BeginTransaction();
    AddRecord(std::move(command));
    SetCurrentUndoSet(nullptr);
}

TCommand* TCommandStack::TopCommand() const {
    return static_cast<TCommand*>(RecordAt(0));
}

TCommand* TCommandStack::CommandAt(std::size_t position) const {
    return static_cast<TCommand*>(RecordAt(position));
}

void TCommandStack::Clear() {
    TUndoSet::Clear();
    SetCurrentUndoSet(nullptr);
}

void RunCommand(TUndoSet* undoSet, TCommandStack& stack, const std::string& name,
                const std::function<void()>& edit) {
    auto command = std::make_unique<TCommand>(undoSet, name);
    try {
        edit();
    } catch (...) {
        command->Undo();
        SetCurrentUndoSet(nullptr);
        throw;
    }
    stack.AddCommand(std::move(command));
}

} // namespace zep::undo
