#include "engine/graphics/CBaseObject.h"

#include <cstring>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

bool SameName(const char* a, const char* b) {
    if (!a || !b) return false;
    for (;;) {
        const uint32_t bytes = Kestra::GetChar(a, nullptr);
        if (bytes != Kestra::GetChar(b, nullptr)) return false;
        if (bytes == 2 ? a[0] != b[0] || a[1] != b[1] : Fold(*a) != Fold(*b)) return false;
        if (*a == '\0') return true;
        a += bytes;
        b += bytes;
    }
}

std::string NameKey(const char* name) {
    std::string key(name ? name : "");
    for (size_t i = 0; i < key.size();) {
        const uint32_t bytes = Kestra::GetChar(key.c_str() + i, nullptr);
        if (bytes == 1) key[i] = Fold(key[i]);
        i += bytes;
    }
    return key;
}

CBaseObject::CBaseObject() = default;

CBaseObject::~CBaseObject() {
    if (parent_) LeaveParent();
    CBaseObject* child = child_;
    child_ = lastChild_ = nullptr;
    childCount_ = 0;
    while (child) {
        CBaseObject* next = child->sibling_;
        child->parent_ = nullptr;
        child->sibling_ = nullptr;
        child->Release();
        child = next;
    }
}

void CBaseObject::LeaveParent() {
    CBaseObject* parent = parent_;
    --parent->childCount_;
    CBaseObject* before = nullptr;
    if (parent->child_ == this) {
        parent->child_ = sibling_;
    } else {
        for (before = parent->child_; before && before->sibling_ != this; before = before->sibling_) {
        }
        if (before) before->sibling_ = sibling_;
    }
    if (parent->lastChild_ == this) parent->lastChild_ = before;
    parent_ = nullptr;
    sibling_ = nullptr;
}

int32_t CBaseObject::Release() {
    if (refCount_ <= 0) {
        // Already on its way out: a second destruction would free it twice.
        Kestra::LogRed("CBaseObject::Release : 参照カウントが既に 0 [ %s ]", name_);
        Kestra::LogNewLine();
        return 0;
    }
    const int32_t count = --refCount_;
    if (count == 0) delete this;
    return count;
}

void CBaseObject::AddChild(CBaseObject* child) {
    if (!child || child == this) return;
    // Moving to a new parent: leave the old chain intact.
    if (child->parent_) child->LeaveParent();
    child->parent_ = this;
    child->sibling_ = nullptr;
    if (lastChild_) {
        lastChild_->sibling_ = child;
    } else {
        child_ = child;
    }
    lastChild_ = child;
    ++childCount_;
}

void CBaseObject::SetName(const char* text) {
    std::memset(name_, 0, sizeof(name_));
    if (!text) return;
    std::strncpy(name_, text, sizeof(name_) - 1);
}

CObjectList::~CObjectList() { Clear(); }

void CObjectList::Add(CBaseObject* object) {
    if (!object || object->list_) return;
    object->list_ = this;
    object->prev_ = tail_;
    object->next_ = nullptr;
    if (tail_)
        tail_->next_ = object;
    else
        head_ = object;
    tail_ = object;
    ++count_;
}

void CObjectList::Remove(CBaseObject* object) {
    if (!object || object->list_ != this) return;
    if (object->prev_)
        object->prev_->next_ = object->next_;
    else
        head_ = object->next_;
    if (object->next_)
        object->next_->prev_ = object->prev_;
    else
        tail_ = object->prev_;
    object->prev_ = object->next_ = nullptr;
    object->list_ = nullptr;
    --count_;
}

void CObjectList::Clear() {
    CBaseObject* object = head_;
    while (object) {
        CBaseObject* next = object->next_;
        object->prev_ = object->next_ = nullptr;
        object->list_ = nullptr;
        object = next;
    }
    head_ = tail_ = nullptr;
    count_ = 0;
}
