// The root of every engine object and manager: a reference-counted, named node
// with an optional parent and a chain of children, and the intrusive list that
// managers keep of the objects they made.
#pragma once

#include <cstdint>
#include <string>

class CObjectList;

// How engine objects' names match wherever one is looked up by name (textures by
// their file's path, frames, materials, animations): 'A' to 'Z' taken as 'a' to
// 'z', every other byte as it is, and the two bytes of a CP932 character whole,
// so two files whose names differ in a trail byte (ヂ 83 61, ア 83 41) never
// share an object. A null name matches none.
bool SameName(const char* a, const char* b);
// The text two names share exactly when SameName matches them, to key a table by.
std::string NameKey(const char* name);

class CBaseObject {
public:
    static constexpr uint32_t kNameSize = 260;

    CBaseObject();
    virtual ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    // Reserved; nothing calls them.
    virtual bool ReservedA(void*, void*, void*) { return false; }
    virtual bool ReservedB(void*, void*, void*) { return false; }

    void AddRef() { ++refCount_; }
    // Drops one reference; the last one destroys the object. Answers the new count.
    int32_t Release();
    int32_t GetRefCount() const { return refCount_; }

    // Appends child at the end of the sibling chain. No reference is added: the
    // caller's reference passes to this object, which releases it on destruction.
    void AddChild(CBaseObject* child);
    CBaseObject* GetChild() const { return child_; }
    CBaseObject* GetSibling() const { return sibling_; }
    CBaseObject* GetParent() const { return parent_; }
    int32_t GetChildCount() const { return childCount_; }

    // At most kNameSize - 1 bytes are kept.
    void SetName(const char* text);
    const char* GetName() const { return name_; }

    // The list holding this object, or null.
    CObjectList* GetList() const { return list_; }

private:
    friend class CObjectList;
    // Takes this object out of its parent's chain.
    void LeaveParent();

    CBaseObject* prev_ = nullptr;
    CBaseObject* next_ = nullptr;
    CObjectList* list_ = nullptr;
    CBaseObject* parent_ = nullptr;  // not a counted reference
    CBaseObject* child_ = nullptr;
    CBaseObject* lastChild_ = nullptr;  // where AddChild appends without walking the chain
    CBaseObject* sibling_ = nullptr;
    int32_t refCount_ = 1;
    int32_t childCount_ = 0;
    char name_[kNameSize] = {};
};

// Objects linked through their own previous and next fields: an object is in at
// most one list at a time.
class CObjectList : public CBaseObject {
public:
    CObjectList() = default;
    // Unlinks what is still listed; the objects themselves are not touched.
    ~CObjectList() override;

    // Appends at the tail. An object already in a list is left where it is.
    void Add(CBaseObject* object);
    // Unlinks the object wherever it stands; an object of another list is ignored.
    void Remove(CBaseObject* object);
    CBaseObject* First() const { return head_; }
    CBaseObject* Last() const { return tail_; }
    CBaseObject* Next(const CBaseObject* object) const { return object ? object->next_ : nullptr; }
    uint32_t GetCount() const { return count_; }
    bool Contains(const CBaseObject* object) const { return object && object->list_ == this; }
    // Empties the list without releasing its objects.
    void Clear();

private:
    CBaseObject* head_ = nullptr;
    CBaseObject* tail_ = nullptr;
    uint32_t count_ = 0;
};
