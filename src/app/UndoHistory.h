// The undo and redo history of an editor, without a window: the states an editor was in
// before each of its edits, and the states undone since. The editor decides what a state
// holds and when two edits are one step (typing in one field, nudging one point); the
// history only keeps them in order, within a bound.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <utility>

namespace orvane {

template <typename State> class UndoHistory {
public:
    explicit UndoHistory(size_t limit = 100) : limit_(limit < 1 ? 1 : limit) {}

    // An edit left the editor in another state than `before`. An edit of the same non-zero
    // group as the one just recorded joins its step. What was undone can no longer be
    // redone.
    void Record(State before, int group = 0) {
        redo_.clear();
        if (group != 0 && group == lastGroup_ && !undo_.empty())
            return;
        undo_.push_back(std::move(before));
        if (undo_.size() > limit_)
            undo_.pop_front(); // the oldest steps go first
        lastGroup_ = group;
    }
    void Clear() {
        undo_.clear();
        redo_.clear();
        lastGroup_ = 0;
    }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

    // The state to go back to, with `current` kept for Redo; nothing when there is none.
    std::optional<State> Undo(State current) { return Step(undo_, redo_, std::move(current)); }
    // The state undone last, with `current` kept for Undo.
    std::optional<State> Redo(State current) { return Step(redo_, undo_, std::move(current)); }

private:
    std::optional<State> Step(std::deque<State>& from, std::deque<State>& to, State current) {
        lastGroup_ = 0;
        if (from.empty())
            return std::nullopt;
        to.push_back(std::move(current));
        State back = std::move(from.back());
        from.pop_back();
        return back;
    }

    size_t limit_;
    std::deque<State> undo_;
    std::deque<State> redo_;
    int lastGroup_ = 0;
};

} // namespace orvane
