// The X file reader behind ID3DXFile: templates, the token streams of the
// three encodings, and the tree of data objects with their packed members.
#pragma once

#include <cstdint>
#include <forward_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9xof.h"

namespace xfile {

enum class Prim { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Struct };

struct Member {
    Prim prim = Prim::Dword;
    std::string typeName;          // for Struct: the template it names
    std::string name;
    std::vector<std::string> dims;  // empty: one value; else each a number or an earlier member's name
};

struct Template {
    std::string name;
    GUID guid{};
    std::vector<Member> members;
};

// Templates by name and by GUID; later registrations replace earlier ones of the same name.
class Registry {
public:
    Registry();  // holds the standard, skinning and extension templates
    void Add(const Template& t);
    const Template* FindName(const std::string& name) const;
    const Template* FindGuid(const GUID& g) const;

private:
    std::map<std::string, std::shared_ptr<Template>> byName_;
    std::map<std::string, std::string> byLowerName_;  // the first name of each spelling in byName_'s order
    std::vector<std::shared_ptr<Template>> all_;
};

struct Data;
struct Child {
    Data* data = nullptr;  // owned by the document
    bool reference = false;
};

struct Data {
    const Template* tmpl = nullptr;  // the registry outlives the document
    GUID type{};
    std::string name;
    GUID id{};
    std::vector<uint8_t> bytes;                    // members packed in template order
    std::forward_list<std::string> strings;        // what string members point at
    std::vector<Child> children;
    std::vector<std::pair<std::string, GUID>> refs;  // references before they are resolved
};

struct Document {
    std::vector<std::unique_ptr<Data>> objects;  // every object, in reading order
    std::vector<Data*> top;
    std::shared_ptr<Registry> registry;
};

// The body of a file after its 16-byte header, decompressed when needed.
struct Body {
    bool binary = false;
    bool doubles = false;
    std::vector<uint8_t> bytes;
};
HRESULT ReadHeader(const uint8_t* data, size_t size, Body* body);

// Parses a whole file: template declarations go into the registry, data
// objects into doc (null: templates only are allowed); E_OUTOFMEMORY past
// KESTRA_XFILE_MAX_HELD.
HRESULT Parse(const uint8_t* data, size_t size, Registry& registry, Document* doc);

// Member layout helper used by the mesh reader: a bounds-checked cursor over
// an object's packed bytes.
class Cursor {
public:
    Cursor(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool Dword(uint32_t* v);
    bool Word(uint16_t* v);
    bool Float(float* v);
    bool Floats(float* v, size_t count);
    bool String(const char** s);
    bool Skip(size_t bytes);
    size_t Left() const { return n_ - at_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
};

}  // namespace xfile

namespace xfile {
// Every object as one line of decoded members, indented by depth: what the
// encodings must agree on.
std::string Describe(const Document& doc);
}  // namespace xfile
