#pragma once

#include <QUndoStack>
#include <functional>
#include <vector>

#include "preview/Annotation.h"

namespace pictavo {

// The annotations of the capture in the preview, oldest first, with their undo history: every
// item added is one command on the undo stack, so undo takes away the newest item and redo
// brings it back. The list holds only what is in the picture now; undone items live in the
// history until a new item replaces them.
class AnnotationList {
public:
    enum class Change { Added, Removed, Cleared };

    AnnotationList();
    ~AnnotationList();
    AnnotationList(const AnnotationList&) = delete;
    AnnotationList& operator=(const AnnotationList&) = delete;

    const std::vector<Annotation>& items() const { return items_; }

    void add(Annotation item);
    void undo() { stack_.undo(); }
    void redo() { stack_.redo(); }
    // No items and no history: a new capture.
    void clear();

    // The undo stack, for its canUndo/canRedo signals.
    QUndoStack& stack() { return stack_; }

    // Called after every change of items(): for Added the new item is items().back(), for
    // Removed the item that was last is given.
    void setChangedHandler(std::function<void(Change, const Annotation&)> handler) {
        changed_ = std::move(handler);
    }

private:
    class AddCommand;

    void append(const Annotation& item);
    void removeLast();

    std::vector<Annotation> items_;
    std::function<void(Change, const Annotation&)> changed_;
    // Last: its commands refer to the list.
    QUndoStack stack_;
};

}  // namespace pictavo
