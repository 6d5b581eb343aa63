// Named user commands, each one transaction of the project's undo set, and the document's stack
// of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "undo/Undo_.h"

namespace zep::undo {

/// A user command: a name and one transaction of an undo set. Owns nothing but its name.
class TCommand : public TUndoer {
public:
    /// Makes `undoSet` current with recording on and opens the command's transaction in it.
    TCommand(TUndoSet* undoSet, std::string name);
    /// Makes the command's undo set current again.
    void Do() override;
    /// Undoes the undo set down to (and including) the command's transaction.
    void Undo() override;

    const std::string& Name() const { return name_; }
    TUndoSet* UndoSet() const { return undoSet_; }
    std::uint32_t Transaction() const { return transaction_; }

private:
    std::string name_;
    TUndoSet* undoSet_;
    std::uint32_t transaction_;
};

/// The document's stack of commands; undoing its top command reverts that command's
/// transaction.
class TCommandStack : public TUndoSet {
public:
    /// Pushes the command (the stack owns it) in a transaction of its own; afterwards no undo set
    /// is current.
    void AddCommand(std::unique_ptr<TCommand> command);
    /// The newest command; nullptr when empty.
    TCommand* TopCommand() const;
    /// The command at `position` from the top; nullptr when out of range.
    TCommand* CommandAt(std::size_t position) const;
    /// Whether the top command can be undone (false: "Cannot Undo").
    bool CanUndoTop() const { return CanUndo(0); }
    /// Undoes and discards the top command.
    void UndoTop() { UndoTo(0); }
    /// Discards every command; afterwards no undo set is current.
    void Clear() override;
};

/// Runs `edit` as the command `name` on `undoSet`: on success the command is pushed on `stack`;
/// when `edit` throws, everything it changed is undone and the exception passes on.
void RunCommand(TUndoSet* undoSet, TCommandStack& stack, const std::string& name,
                const std::function<void()>& edit);

} // namespace zep::undo
