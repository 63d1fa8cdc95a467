#include "preview/AnnotationList.h"

#include <QUndoCommand>

namespace pictavo {

class AnnotationList::AddCommand : public QUndoCommand {
public:
    AddCommand(AnnotationList& list, Annotation item) : list_(list), item_(std::move(item)) {}
    void redo() override { list_.append(item_); }
    void undo() override { list_.removeLast(); }

private:
    AnnotationList& list_;
    Annotation item_;
};

AnnotationList::AnnotationList() = default;

AnnotationList::~AnnotationList() {
    // The commands go before the handler and the items they would touch.
    changed_ = {};
    stack_.clear();
}

void AnnotationList::add(Annotation item) {
    stack_.push(new AddCommand(*this, std::move(item)));
}

void AnnotationList::clear() {
    stack_.clear();
    items_.clear();
    if (changed_) {
        changed_(Change::Cleared, Annotation{});
    }
}

void AnnotationList::append(const Annotation& item) {
    items_.push_back(item);
    if (changed_) {
        changed_(Change::Added, items_.back());
    }
}

void AnnotationList::removeLast() {
    if (items_.empty()) {
        return;
    }
    const Annotation last = std::move(items_.back());
    items_.pop_back();
    if (changed_) {
        changed_(Change::Removed, last);
    }
}

}  // namespace pictavo
