// quenrith-talktext --out DIR TEXTFILE...
// Turns the talks' text files (UTF-8, one entry a line: an id, spaces, the text
// with "|" between rows) into C++ for the game: one header per file declaring its
// ids in namespace talktext::<file name>, and one source holding every text as
// CP932 bytes with the catalogue that lists them all. Files are rewritten only
// when their content changes, so editing a text recompiles the catalogue alone.
//
// It refuses, with "file:line: reason", what it cannot turn into a text: a bad
// id, an id used twice, an entry without text, bytes that are not UTF-8 and
// characters that CP932 has no code for. The layout rules (rows, widths, the
// characters the fonts hold) are checked by the story's tests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/cp932.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
    std::string id;
    std::string utf8;   // rows joined by LF
    std::string cp932;
    int line = 0;
};

struct TextFile {
    std::string path;
    std::string name;  // the file's stem: its namespace
    std::vector<Entry> entries;
};

bool IsIdStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdChar(char c) { return IsIdStart(c) || (c >= '0' && c <= '9'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ValidIdentifier(const std::string& s) {
    if (s.empty() || !IsIdStart(s[0])) return false;
    for (char c : s)
        if (!IsIdChar(c)) return false;
    return true;
}

// Strict UTF-8 (no overlong forms, no surrogates); on failure the byte offset.
bool ValidUtf8(const std::string& s, size_t* bad) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            *bad = i;
            return false;
        }
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                *bad = i;
                return false;
            }
            cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            *bad = i;
            return false;
        }
        i += n + 1;
    }
    return true;
}

// UTF-8 to CP932 one character at a time, so a failure names the character.
bool ToCp932(const std::string& utf8, std::string* out, std::string* badCharacter) {
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        const std::string one = utf8.substr(i, len);
        std::string cp932;
        if (!platform::Utf8ToCp932Strict(one, cp932)) {
            *badCharacter = one;
            return false;
        }
        *out += cp932;
        i += len;
    }
    return true;
}

bool Fail(const std::string& where, int line, const std::string& reason) {
    std::fprintf(stderr, "%s:%d: %s\n", where.c_str(), line, reason.c_str());
    return false;
}

bool ReadTextFile(const std::string& path, TextFile* file) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(path, 0, "cannot read the file");
    file->path = path;
    file->name = fs::path(path).stem().string();
    if (!ValidIdentifier(file->name))
        return Fail(path, 0, "the file name must be a C++ identifier (letters, digits, '_'): it names the namespace");
    std::set<std::string> seen;
    std::string line;
    int number = 0;
    bool ok = true;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved with CR LF ends
        size_t at = 0;
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size() || line[at] == '#') continue;
        size_t idEnd = at;
        while (idEnd < line.size() && !IsBlank(line[idEnd])) ++idEnd;
        Entry e;
        e.id = line.substr(at, idEnd - at);
        e.line = number;
        if (!ValidIdentifier(e.id)) {
            ok = Fail(path, number, "the id \"" + e.id + "\" is not a C++ identifier (letters, digits, '_', not first a digit)");
            continue;
        }
        if (!seen.insert(e.id).second) {
            ok = Fail(path, number, "the id " + e.id + " is used twice in this file");
            continue;
        }
        size_t textStart = idEnd;
        while (textStart < line.size() && IsBlank(line[textStart])) ++textStart;
        size_t textEnd = line.size();
        while (textEnd > textStart && IsBlank(line[textEnd - 1])) --textEnd;
        if (textStart == textEnd) {
            ok = Fail(path, number, "the id " + e.id + " has no text");
            continue;
        }
        std::string text = line.substr(textStart, textEnd - textStart);
        size_t bad = 0;
        if (!ValidUtf8(text, &bad)) {
            ok = Fail(path, number, "the text of " + e.id + " is not UTF-8 (byte " + std::to_string(textStart + bad + 1) + ")");
            continue;
        }
        for (char& c : text)
            if (c == '|') c = '\n';
        e.utf8 = text;
        std::string badCharacter;
        if (!ToCp932(text, &e.cp932, &badCharacter)) {
            ok = Fail(path, number, "the text of " + e.id + " holds \"" + badCharacter + "\", which has no CP932 code");
            continue;
        }
        file->entries.push_back(std::move(e));
    }
    return ok;
}

std::string Escaped(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string s;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        s += "\\x";
        s += kHex[b >> 4];
        s += kHex[b & 15];
    }
    return s;
}

// A comment line must not end in a backslash nor hold a line break.
std::string CommentText(const std::string& utf8) {
    std::string s;
    for (char c : utf8) s += c == '\n' ? std::string(" | ") : c == '\\' ? std::string("/") : std::string(1, c);
    return s;
}

bool WriteIfChanged(const fs::path& path, const std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
        const std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (old == content) return true;
    }
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out) return Fail(temp.string(), 0, "cannot write");
    }
    fs::rename(temp, path, ec);
    if (ec) return Fail(path.string(), 0, "cannot write: " + ec.message());
    return true;
}

std::string Header(const TextFile& f) {
    std::ostringstream h;
    h << "// Generated by quenrith-talktext from game/story/text/" << f.name << ".txt: edit that file.\n"
      << "#pragma once\n\n#include \"game/story/TalkText.h\"\n\nnamespace talktext::" << f.name << " {\n";
    for (const Entry& e : f.entries) h << "extern const TalkText " << e.id << ";\n";
    h << "}  // namespace talktext::" << f.name << "\n";
    return h.str();
}

std::string Catalogue(const std::vector<TextFile>& files) {
    std::ostringstream c;
    c << "// Generated by quenrith-talktext from game/story/text/*.txt: edit those files.\n"
      << "#include \"game/story/TalkText.h\"\n\n";
    for (const TextFile& f : files) c << "#include \"game/story/text/" << f.name << ".h\"\n";
    size_t count = 0;
    for (const TextFile& f : files) {
        c << "\nnamespace talktext::" << f.name << " {\n";
        for (const Entry& e : f.entries) {
            c << "// " << CommentText(e.utf8) << "\n"
              << "const TalkText " << e.id << "{\"" << Escaped(e.cp932) << "\", \"" << f.name << "\", \"" << e.id << "\", "
              << e.line << "};\n";
            ++count;
        }
        c << "}  // namespace talktext::" << f.name << "\n";
    }
    c << "\nnamespace {\nconst TalkText* const kTexts[] = {\n";
    for (const TextFile& f : files)
        for (const Entry& e : f.entries) c << "    &talktext::" << f.name << "::" << e.id << ",\n";
    if (count == 0) c << "    nullptr,\n";
    c << "};\n}  // namespace\n\nstd::span<const TalkText* const> TalkTextCatalogue() {\n"
      << "    return {kTexts, " << count << "};\n}\n";
    return c.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) out = argv[++i];
        else if (!a.empty() && a[0] == '-') out.clear(), inputs.clear(), i = argc;
        else inputs.push_back(a);
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: quenrith-talktext --out DIR TEXTFILE...\n");
        return 2;
    }
    std::vector<TextFile> files;
    std::set<std::string> names;
    bool ok = true;
    for (const std::string& path : inputs) {
        TextFile f;
        if (!ReadTextFile(path, &f)) ok = false;
        if (!names.insert(f.name).second) ok = Fail(path, 0, "another text file has the same name");
        files.push_back(std::move(f));
    }
    if (!ok) return 1;
    const fs::path root(out);
    for (const TextFile& f : files)
        if (!WriteIfChanged(root / "game" / "story" / "text" / (f.name + ".h"), Header(f))) return 1;
    if (!WriteIfChanged(root / "game" / "story" / "TalkTextCatalogue.cpp", Catalogue(files))) return 1;
    return 0;
}
