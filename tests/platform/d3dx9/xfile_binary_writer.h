// Writes a parsed X document back as a binary X file (32- or 64-bit floats),
// grouping runs of numbers into the format's integer and float lists: binary
// test inputs are made from the text ones instead of being stored.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "platform/d3dx9/xfile_internal.h"

namespace xtest {

class BinaryXWriter {
public:
    explicit BinaryXWriter(bool doubles) : doubles_(doubles) {
        out_ = doubles ? "xof 0303bin 0064" : "xof 0303bin 0032";
    }

    std::string Write(const xfile::Document& doc) {
        // Templates the reader does not know by itself travel in the file.
        const xfile::Registry builtIn;
        std::set<std::string> done;
        for (const auto& o : doc.objects) DeclareTemplates(doc, builtIn, *o->tmpl, &done);
        for (const xfile::Data* d : doc.top) Object(doc, *d);
        return out_;
    }

private:
    void U16(uint16_t v) { out_.append(reinterpret_cast<const char*>(&v), 2); }
    void U32(uint32_t v) { out_.append(reinterpret_cast<const char*>(&v), 4); }
    void Name(const std::string& s) {
        Flush();
        U16(1);
        U32(uint32_t(s.size()));
        out_ += s;
    }
    void Flush() {
        if (!ints_.empty()) {
            U16(6);
            U32(uint32_t(ints_.size()));
            for (uint32_t v : ints_) U32(v);
            ints_.clear();
        }
        if (!floats_.empty()) {
            U16(7);
            U32(uint32_t(floats_.size()));
            for (float f : floats_) {
                if (doubles_) {
                    const double d = f;
                    out_.append(reinterpret_cast<const char*>(&d), 8);
                } else {
                    out_.append(reinterpret_cast<const char*>(&f), 4);
                }
            }
            floats_.clear();
        }
    }
    void Int(uint32_t v) {
        if (!floats_.empty()) Flush();
        ints_.push_back(v);
    }
    void Float(float f) {
        if (!ints_.empty()) Flush();
        floats_.push_back(f);
    }

    void DeclareTemplates(const xfile::Document& doc, const xfile::Registry& builtIn, const xfile::Template& t,
                          std::set<std::string>* done) {
        if (!done->insert(t.name).second) return;
        for (const xfile::Member& m : t.members)
            if (m.prim == xfile::Prim::Struct) DeclareTemplates(doc, builtIn, *doc.registry->FindName(m.typeName), done);
        if (builtIn.FindName(t.name)) return;
        U16(31);
        Name(t.name);
        U16(10);
        U16(5);
        out_.append(reinterpret_cast<const char*>(&t.guid.Data1), 4);
        out_.append(reinterpret_cast<const char*>(&t.guid.Data2), 2);
        out_.append(reinterpret_cast<const char*>(&t.guid.Data3), 2);
        out_.append(reinterpret_cast<const char*>(t.guid.Data4), 8);
        for (const xfile::Member& m : t.members) {
            if (!m.dims.empty()) U16(52);
            static const uint16_t kCodes[] = {40, 41, 42, 43, 44, 45, 46, 47, 49};
            if (m.prim == xfile::Prim::Struct) Name(m.typeName);
            else U16(kCodes[int(m.prim)]);
            if (!m.name.empty()) Name(m.name);
            for (const std::string& dim : m.dims) {
                U16(14);
                if (dim[0] >= '0' && dim[0] <= '9') {
                    U16(3);
                    U32(uint32_t(std::strtoul(dim.c_str(), nullptr, 10)));
                } else {
                    Name(dim);
                }
                U16(15);
            }
            U16(20);
        }
        U16(11);
    }

    void Members(const xfile::Document& doc, const xfile::Template& t, xfile::Cursor& c) {
        std::map<std::string, uint32_t> counts;
        for (const xfile::Member& m : t.members) {
            uint64_t n = 1;
            for (const std::string& dim : m.dims)
                n *= (dim[0] >= '0' && dim[0] <= '9') ? std::strtoull(dim.c_str(), nullptr, 10) : counts[dim];
            for (uint64_t i = 0; i < n; ++i) {
                switch (m.prim) {
                    case xfile::Prim::Struct:
                        Members(doc, *doc.registry->FindName(m.typeName), c);
                        break;
                    case xfile::Prim::String: {
                        const char* s = nullptr;
                        c.String(&s);
                        Flush();
                        U16(2);
                        U32(uint32_t(std::strlen(s)));
                        out_ += s;
                        U16(20);
                        break;
                    }
                    case xfile::Prim::Float: {
                        float f = 0;
                        c.Float(&f);
                        Float(f);
                        break;
                    }
                    case xfile::Prim::Word:
                    case xfile::Prim::Sword: {
                        uint16_t w = 0;
                        c.Word(&w);
                        Int(w);
                        break;
                    }
                    default: {
                        uint32_t v = 0;
                        c.Dword(&v);
                        Int(v);
                        if (m.dims.empty()) counts[m.name] = v;
                        break;
                    }
                }
            }
        }
    }

    void Object(const xfile::Document& doc, const xfile::Data& d) {
        Name(d.tmpl->name);
        if (!d.name.empty()) Name(d.name);
        U16(10);
        xfile::Cursor c(d.bytes.data(), d.bytes.size());
        Members(doc, *d.tmpl, c);
        Flush();
        for (const xfile::Child& ch : d.children) {
            if (ch.reference) {
                U16(10);
                Name(ch.data->name);
                U16(11);
            } else {
                Object(doc, *ch.data);
            }
        }
        U16(11);
    }

    bool doubles_;
    std::string out_;
    std::vector<uint32_t> ints_;
    std::vector<float> floats_;
};

inline std::string ToBinaryX(const std::string& file, bool doubles) {
    xfile::Document doc;
    doc.registry = std::make_shared<xfile::Registry>();
    if (FAILED(xfile::Parse(reinterpret_cast<const uint8_t*>(file.data()), file.size(), *doc.registry, &doc)))
        return {};
    return BinaryXWriter(doubles).Write(doc);
}

}  // namespace xtest
