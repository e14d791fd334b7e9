// The preprocessor replayed as the compiler's works: a macro is not replaced again
// while its own replacement is being read, the arguments of a macro are replaced
// in full before they are put in, "##" joins the tokens either side. Every step
// is counted, so the replay itself ends early on any text.
#include "platform/d3dx9/effect_limits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace d3dxfx {

namespace {

struct Token {
    std::string text;
    int line = 0;
    bool space = false;  // white space or a comment before it
};

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || IsDigit(c); }
bool IsIdentifier(const Token& t) { return !t.text.empty() && IsIdentifierStart(t.text[0]); }

// The text with its line splices (a backslash that ends a line) taken out, and
// the line each remaining character stands on.
struct Spliced {
    std::string code;
    std::vector<int> lines;
};

Spliced Splice(std::string_view text, int firstLine) {
    Spliced s;
    s.code.reserve(text.size());
    s.lines.reserve(text.size());
    int line = firstLine;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            size_t next = i + 1;
            if (next < text.size() && text[next] == '\r') ++next;
            if (next < text.size() && text[next] == '\n') {
                ++line;
                i = next;
                continue;
            }
        }
        s.code += text[i];
        s.lines.push_back(line);
        if (text[i] == '\n') ++line;
    }
    return s;
}

const char* const kPunctuators[] = {"<<=", ">>=", "##", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "++",
                                    "--",  "+=",  "-=", "*=", "/=", "%=", "&=", "|=", "^=", "->", "::"};

class Lexer {
public:
    explicit Lexer(Spliced text) : s_(std::move(text)) {}

    // The next token; *lineStart when a line break comes before it (one inside a
    // block comment does not end the line). False at the end of the text.
    bool Next(Token* out, bool* lineStart) {
        const std::string& c = s_.code;
        bool lineBreak = first_, space = false;
        while (pos_ < c.size()) {
            const char ch = c[pos_];
            if (ch == '\n') {
                lineBreak = space = true;
                ++pos_;
            } else if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\f' || ch == '\v') {
                space = true;
                ++pos_;
            } else if (c.compare(pos_, 2, "//") == 0) {
                pos_ = std::min(c.find('\n', pos_), c.size());
                space = true;
            } else if (c.compare(pos_, 2, "/*") == 0) {
                const size_t end = c.find("*/", pos_ + 2);
                pos_ = end == std::string::npos ? c.size() : end + 2;
                space = true;
            } else {
                break;
            }
        }
        if (pos_ >= c.size()) return false;
        first_ = false;
        const size_t start = pos_;
        const char ch = c[pos_++];
        if (IsIdentifierStart(ch)) {
            while (pos_ < c.size() && IsIdentifierChar(c[pos_])) ++pos_;
        } else if (IsDigit(ch) || (ch == '.' && pos_ < c.size() && IsDigit(c[pos_]))) {
            while (pos_ < c.size()) {
                const char d = c[pos_], before = c[pos_ - 1];
                const bool sign = (d == '+' || d == '-') && (before == 'e' || before == 'E');
                if (!sign && !IsIdentifierChar(d) && d != '.') break;
                ++pos_;
            }
        } else if (ch == '"' || ch == '\'') {
            while (pos_ < c.size() && c[pos_] != ch && c[pos_] != '\n') pos_ += c[pos_] == '\\' ? 2 : 1;
            pos_ = std::min(pos_, c.size());
            if (pos_ < c.size() && c[pos_] == ch) ++pos_;
        } else {
            for (const char* p : kPunctuators) {
                const size_t n = std::strlen(p);
                if (c.compare(start, n, p) == 0) {
                    pos_ = start + n;
                    break;
                }
            }
        }
        out->text.assign(c, start, pos_ - start);
        out->line = s_.lines[start];
        out->space = space;
        *lineStart = lineBreak;
        return true;
    }

private:
    Spliced s_;
    size_t pos_ = 0;
    bool first_ = true;
};

struct Macro {
    bool function = false;
    std::vector<std::string> params;
    std::vector<Token> body;
    bool busy = false;  // its replacement is being read
};

// What one check shares: the macros, the counts and the first limit passed.
struct State {
    std::unordered_map<std::string, std::shared_ptr<Macro>> macros;
    size_t work = 0;
    int line = 1;  // of the text being read
    std::string error;

    bool Fail(const std::string& what) {
        if (error.empty()) error = "memory(" + std::to_string(line < 1 ? 1 : line) + "): error: " + what + "\n";
        return false;
    }
    bool Work(size_t units) {
        work += units;
        return work <= kMaxMacroWork || Fail("macros make more than " + std::to_string(kMaxMacroWork) + " tokens");
    }
};

class Source {
public:
    virtual ~Source() = default;
    virtual bool Next(Token* out) = 0;
};

class TokenList final : public Source {
public:
    explicit TokenList(const std::vector<Token>& tokens) : tokens_(tokens) {}
    bool Next(Token* out) override {
        if (at_ >= tokens_.size()) return false;
        *out = tokens_[at_++];
        return true;
    }

private:
    const std::vector<Token>& tokens_;
    size_t at_ = 0;
};

// Tokens with every macro replaced: what the compiler's parser reads.
class Expander {
public:
    Expander(State& state, Source& base, size_t level) : state_(state), base_(base), level_(level) {}
    ~Expander() {
        for (Frame& f : frames_)
            if (f.macro) f.macro->busy = false;
    }

    bool Next(Token* out) {
        Token t;
        while (state_.error.empty() && Raw(&t)) {
            if (IsIdentifier(t)) {
                const auto found = state_.macros.find(t.text);
                if (found != state_.macros.end() && !found->second->busy) {
                    const std::shared_ptr<Macro> macro = found->second;
                    if (Replace(macro)) continue;
                }
            }
            *out = std::move(t);
            return true;
        }
        return false;
    }

private:
    struct Frame {
        std::vector<Token> tokens;
        size_t at;
        std::shared_ptr<Macro> macro;  // null for a token put back
    };

    bool Raw(Token* out) {
        while (!frames_.empty()) {
            Frame& f = frames_.back();
            if (f.at < f.tokens.size()) {
                *out = f.tokens[f.at++];
                return true;
            }
            if (f.macro) f.macro->busy = false;
            frames_.pop_back();
        }
        return base_.Next(out);
    }

    void Push(std::vector<Token> tokens, std::shared_ptr<Macro> macro) {
        if (macro && !state_.Work(1 + tokens.size())) return;
        if (macro) macro->busy = true;
        frames_.push_back(Frame{std::move(tokens), 0, std::move(macro)});
    }

    // The replacement of the macro whose name was just read; false when the name
    // stands for itself (a macro with arguments named without any).
    bool Replace(const std::shared_ptr<Macro>& macro) {
        if (!macro->function) {
            Push(Paste(macro->body), macro);
            return true;
        }
        Token open;
        if (!Raw(&open)) return false;
        if (open.text != "(") {
            Push({std::move(open)}, nullptr);
            return false;
        }
        std::vector<std::vector<Token>> args(1);
        for (int depth = 1;;) {
            Token t;
            if (!Raw(&t) || !state_.Work(1)) return true;  // unterminated: the compiler refuses it
            if (t.text == "(") ++depth;
            if (t.text == ")" && --depth == 0) break;
            if (t.text == "," && depth == 1) {
                args.emplace_back();
                continue;
            }
            args.back().push_back(std::move(t));
        }
        if (level_ >= kMaxNesting) {
            state_.Fail("nesting deeper than " + std::to_string(kMaxNesting) + " levels");
            return true;
        }
        std::vector<std::vector<Token>> expanded;
        for (const std::vector<Token>& arg : args) {
            TokenList list(arg);
            Expander inner(state_, list, level_ + 1);
            expanded.emplace_back();
            for (Token t; inner.Next(&t);) expanded.back().push_back(std::move(t));
        }
        std::vector<Token> out;
        const std::vector<Token>& body = macro->body;
        for (size_t i = 0; i < body.size(); ++i) {
            size_t p = 0;
            while (p < macro->params.size() && macro->params[p] != body[i].text) ++p;
            if (p >= macro->params.size() || p >= args.size()) {
                out.push_back(body[i]);
                continue;
            }
            // Beside "##" an argument goes in as written.
            const bool pasted = (i > 0 && body[i - 1].text == "##") || (i + 1 < body.size() && body[i + 1].text == "##");
            const std::vector<Token>& with = pasted ? args[p] : expanded[p];
            out.insert(out.end(), with.begin(), with.end());
        }
        Push(Paste(out), macro);
        return true;
    }

    static std::vector<Token> Paste(const std::vector<Token>& tokens) {
        std::vector<Token> out;
        out.reserve(tokens.size());
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i].text == "##" && !out.empty() && i + 1 < tokens.size()) {
                out.back().text += tokens[++i].text;
                continue;
            }
            out.push_back(tokens[i]);
        }
        return out;
    }

    State& state_;
    Source& base_;
    size_t level_;  // arguments within arguments
    std::vector<Frame> frames_;
};

// A condition of "#if" and "#elif", its macros replaced, evaluated in 64 bits.
class Condition {
public:
    Condition(State& state, const std::vector<Token>& tokens) : state_(state), t_(tokens) {}

    bool Evaluate(bool* value) {
        const int64_t v = Ternary();
        if (ok_ && at_ != t_.size()) ok_ = false;
        if (!ok_) return state_.Fail("the preprocessor condition is not understood");
        *value = v != 0;
        return true;
    }

private:
    bool Is(const char* text) const { return at_ < t_.size() && t_[at_].text == text; }
    bool Enter() {
        if (++depth_ > kMaxNesting) ok_ = false;
        return ok_;
    }

    int64_t Ternary() {
        if (!Enter()) return 0;
        const int64_t c = Binary(1);
        int64_t v = c;
        if (ok_ && Is("?")) {
            ++at_;
            const int64_t a = Ternary();
            if (!Is(":")) ok_ = false;
            ++at_;
            const int64_t b = Ternary();
            v = c ? a : b;
        }
        --depth_;
        return v;
    }

    static int Precedence(const std::string& op) {
        static const std::pair<const char*, int> table[] = {
            {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4}, {"&", 5}, {"==", 6}, {"!=", 6}, {"<", 7}, {">", 7},
            {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9}, {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
        for (const auto& [text, precedence] : table)
            if (op == text) return precedence;
        return 0;
    }

    int64_t Binary(int least) {
        int64_t left = Unary();
        while (ok_ && at_ < t_.size()) {
            const std::string& op = t_[at_].text;
            const int precedence = Precedence(op);
            if (precedence == 0 || precedence < least) break;
            ++at_;
            left = Apply(op, left, Binary(precedence + 1));
        }
        return left;
    }

    int64_t Apply(const std::string& op, int64_t a, int64_t b) {
        const uint64_t x = uint64_t(a), y = uint64_t(b);
        if (op == "||") return a || b;
        if (op == "&&") return a && b;
        if (op == "|") return int64_t(x | y);
        if (op == "^") return int64_t(x ^ y);
        if (op == "&") return int64_t(x & y);
        if (op == "==") return a == b;
        if (op == "!=") return a != b;
        if (op == "<") return a < b;
        if (op == ">") return a > b;
        if (op == "<=") return a <= b;
        if (op == ">=") return a >= b;
        if (op == "<<") return int64_t(x << (y & 63));
        if (op == ">>") return a >> (y & 63);
        if (op == "+") return int64_t(x + y);
        if (op == "-") return int64_t(x - y);
        if (op == "*") return int64_t(x * y);
        if (b == 0 || (a == INT64_MIN && b == -1)) {
            ok_ = false;
            return 0;
        }
        return op == "/" ? a / b : a % b;
    }

    int64_t Unary() {
        if (!ok_ || at_ >= t_.size()) {
            ok_ = false;
            return 0;
        }
        const std::string& s = t_[at_].text;
        if (s == "+" || s == "-" || s == "!" || s == "~") {
            ++at_;
            if (!Enter()) return 0;
            const int64_t v = Unary();
            --depth_;
            return s == "+" ? v : s == "-" ? int64_t(0 - uint64_t(v)) : s == "!" ? !v : ~v;
        }
        ++at_;
        if (s == "(") {
            const int64_t v = Ternary();
            if (!Is(")")) ok_ = false;
            ++at_;
            return v;
        }
        if (IsIdentifier(t_[at_ - 1])) return 0;  // not a macro: zero
        if (!IsDigit(s[0])) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        size_t i = 0;
        unsigned base = 10;
        if (s.size() > 1 && s[0] == '0') {
            base = (s[1] == 'x' || s[1] == 'X') ? 16 : 8;
            i = base == 16 ? 2 : 1;
        }
        for (; i < s.size(); ++i) {
            const char c = s[i];
            unsigned d = IsDigit(c) ? unsigned(c - '0') : (c >= 'a' && c <= 'f') ? unsigned(c - 'a' + 10)
                                                        : (c >= 'A' && c <= 'F') ? unsigned(c - 'A' + 10) : 99;
            if (d >= base) break;
            v = v * base + d;
        }
        for (; i < s.size(); ++i)
            if (s[i] != 'u' && s[i] != 'U' && s[i] != 'l' && s[i] != 'L') ok_ = false;
        return int64_t(v);
    }

    State& state_;
    const std::vector<Token>& t_;
    size_t at_ = 0;
    size_t depth_ = 0;
    bool ok_ = true;
};

// The text's tokens in the branches its conditions take, its directives obeyed.
class Text final : public Source {
public:
    Text(State& state, Spliced text) : state_(state), lexer_(std::move(text)) {}

    bool Next(Token* out) override {
        bool lineStart = false;
        while (state_.error.empty() && Lex(out, &lineStart)) {
            state_.line = out->line;
            if (lineStart && out->text == "#") {
                Directive();
            } else if (Active()) {
                return true;
            }
        }
        return false;
    }

private:
    struct Branch {
        bool active;  // its tokens are read
        bool taken;   // a branch of this "#if" was
        bool outer;   // the "#if" itself lies in read text
    };

    bool Active() const { return branches_.empty() || branches_.back().active; }

    bool Lex(Token* out, bool* lineStart) {
        if (held_) {
            held_ = false;
            *out = std::move(heldToken_);
            *lineStart = heldLineStart_;
            return true;
        }
        return lexer_.Next(out, lineStart);
    }

    void Directive() {
        std::vector<Token> words;
        Token t;
        bool lineStart = false;
        while (Lex(&t, &lineStart)) {
            if (lineStart) {
                heldToken_ = std::move(t);
                heldLineStart_ = true;
                held_ = true;
                break;
            }
            words.push_back(std::move(t));
        }
        const std::string name = words.empty() ? "" : words[0].text;
        if (name == "if" || name == "ifdef" || name == "ifndef") {
            const bool outer = Active();
            bool value = false;
            if (outer && name == "if" && !Evaluate(words, &value)) return;
            if (outer && name != "if")
                value = words.size() > 1 && (state_.macros.count(words[1].text) > 0) == (name == "ifdef");
            branches_.push_back(Branch{outer && value, outer && value, outer});
        } else if (name == "elif" && !branches_.empty()) {
            Branch& b = branches_.back();
            bool value = false;
            if (b.outer && !b.taken && !Evaluate(words, &value)) return;
            b.active = b.outer && !b.taken && value;
            b.taken = b.taken || b.active;
        } else if (name == "else" && !branches_.empty()) {
            Branch& b = branches_.back();
            b.active = b.outer && !b.taken;
            b.taken = true;
        } else if (name == "endif") {
            if (!branches_.empty()) branches_.pop_back();
        } else if (!Active()) {
            return;
        } else if (name == "define") {
            Define(words);
        } else if (name == "undef" && words.size() > 1) {
            state_.macros.erase(words[1].text);
        }
        // Anything else reaches the compiler unchanged and makes nothing.
    }

    void Define(const std::vector<Token>& words) {
        if (words.size() < 2 || !IsIdentifier(words[1])) return;
        auto macro = std::make_shared<Macro>();
        size_t i = 2;
        if (i < words.size() && words[i].text == "(" && !words[i].space) {
            macro->function = true;
            for (++i; i < words.size() && words[i].text != ")"; ++i)
                if (IsIdentifier(words[i])) macro->params.push_back(words[i].text);
            if (i++ >= words.size()) return;  // no ")": the compiler refuses it
        }
        macro->body.assign(words.begin() + std::ptrdiff_t(i), words.end());
        state_.macros[words[1].text] = std::move(macro);
    }

    bool Evaluate(const std::vector<Token>& words, bool* value) {
        // "defined X" and "defined ( X )" are answered before macros are replaced.
        std::vector<Token> replaced;
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i].text != "defined") {
                replaced.push_back(words[i]);
                continue;
            }
            const bool parens = i + 1 < words.size() && words[i + 1].text == "(";
            const size_t name = i + (parens ? 2 : 1);
            if (name >= words.size()) return state_.Fail("the preprocessor condition is not understood");
            Token answer = words[i];
            answer.text = state_.macros.count(words[name].text) ? "1" : "0";
            replaced.push_back(std::move(answer));
            i = name + (parens ? 1 : 0);
        }
        TokenList list(replaced);
        Expander expander(state_, list, 0);
        std::vector<Token> tokens;
        for (Token t; expander.Next(&t);) tokens.push_back(std::move(t));
        if (!state_.error.empty()) return false;
        Condition condition(state_, tokens);
        return condition.Evaluate(value);
    }

    State& state_;
    Lexer lexer_;
    std::vector<Branch> branches_;
    Token heldToken_;
    bool heldLineStart_ = false;
    bool held_ = false;
};

// Open brackets, and control statements open to the end of the statement they
// govern: a branch after another is no deeper than the first, one in another's
// body is, and so is an "else if" (the compiler reads it as a branch inside the
// "else").
class Nesting {
public:
    bool Add(const std::string& s) {
        if (ended_) EndStatement(s);
        if (s == "(" || s == "[" || s == "{") {
            Push(s[0]);
        } else if (s == ")" || s == "]" || s == "}") {
            // Back to the bracket it closes, with the controls left open inside it.
            size_t at = open_.size();
            while (at > 0 && open_[at - 1] != Opening(s[0])) --at;
            if (at > 0) {
                depth_ -= open_.size() - (at - 1);
                open_.resize(at - 1);
                ended_ = s == "}" && !open_.empty() && IsControl(open_.back());
            }
        } else if (s == ";") {
            ended_ = !open_.empty() && IsControl(open_.back());
        } else if (s == "if") {
            Push(kIf);
        } else if (s == "else" || s == "for" || s == "while" || s == "do" || s == "switch") {
            Push(s == "do" ? kDo : kOther);
        }
        return depth_ <= kMaxNesting;
    }

private:
    static constexpr char kIf = 'i', kIfElse = 'e', kDo = 'd', kOther = 'c';
    static char Opening(char closing) { return closing == ')' ? '(' : closing == ']' ? '[' : '{'; }
    static bool IsControl(char c) { return c == kIf || c == kIfElse || c == kDo || c == kOther; }

    void Push(char c) {
        open_.push_back(c);
        ++depth_;
    }

    // The statement just read ends the controls governing it, but an "if" goes on
    // into its "else" and a "do" into its "while".
    void EndStatement(const std::string& next) {
        ended_ = false;
        while (!open_.empty() && IsControl(open_.back())) {
            if (open_.back() == kIf && next == "else") {
                open_.back() = kIfElse;
                return;
            }
            if (open_.back() == kDo && next == "while") {
                open_.back() = kOther;
                return;
            }
            open_.pop_back();
            --depth_;
        }
    }

    std::vector<char> open_;  // brackets and controls, innermost last
    size_t depth_ = 0;
    bool ended_ = false;      // a statement ended with the last token
};

size_t Sum(size_t a, size_t b) { return a + b < a ? SIZE_MAX : a + b; }
size_t Multiply(size_t a, size_t b) { return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b; }

// Registers a value of a built-in type takes: one a vector or scalar, one a row of a matrix.
size_t BuiltInRegisters(const std::string& name) {
    static const char* const kScalars[] = {"float", "half", "double", "int", "uint", "bool", "dword",
                                           "min16float", "min10float", "min16int", "min12int", "min16uint"};
    if (name == "matrix") return 4;
    for (const char* scalar : kScalars) {
        const size_t n = std::strlen(scalar);
        if (name.compare(0, n, scalar) != 0) continue;
        const std::string rest = name.substr(n);
        if (rest.empty() || (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4')) return 1;
        if (rest.size() == 3 && rest[0] >= '1' && rest[0] <= '4' && rest[1] == 'x' && rest[2] >= '1' && rest[2] <= '4')
            return size_t(rest[0] - '0');
    }
    return 0;
}

// What the program asks of the driver, which puts every call in place and keeps
// every case of a switch: each function's tokens with its calls replaced by the
// callee's (the costliest of a name's overloads), its cases so counted, and the
// registers each structure takes.
class Shape {
public:
    explicit Shape(State& state) : state_(state) {}

    bool Add(const Token& t) {
        const std::string& s = t.text;
        if (!pendingCall_.empty() && s == "(" && function_) function_->calls.push_back(pendingCall_);
        pendingCall_.clear();
        if (function_) {
            ++function_->tokens;
            if (s == "case") ++function_->cases;
            if (s == "if" || s == "else" || s == "for" || s == "while" || s == "do" || s == "case") ++function_->branches;
            if (IsIdentifier(t)) pendingCall_ = s;
        }
        if (!Variables(t) || !Declarations(t)) return false;
        if (s == "{") {
            ++braces_;
            if (candidate_ && braces_ == 1) {
                function_ = std::make_unique<Function>();
                function_->name = std::move(name_);
                candidate_ = false;
            }
        } else if (s == "}" && braces_ > 0 && --braces_ == 0 && function_) {
            functions_.emplace(function_->name, std::move(*function_));
            function_.reset();
        }
        // A function: a name and its parameters at the outermost level, then a
        // semantic or none, then its body.
        if (braces_ == 0 && !function_) {
            if (s == "(" && parens_++ == 0) {
                candidate_ = false;
                name_ = last_;
            } else if (s == ")" && parens_ > 0 && --parens_ == 0) {
                candidate_ = !name_.empty();
            } else if (parens_ == 0 && s != ":" && !(candidate_ && IsIdentifier(t)) && s != "{") {
                candidate_ = false;
            }
            last_ = IsIdentifier(t) ? s : "";
        }
        return true;
    }

    bool Finish() {
        std::unordered_map<std::string, Cost> done;
        for (const auto& entry : functions_) {
            const std::string& name = entry.first;
            const Cost cost = Expand(name, &done);
            if (cost.tokens > kMaxExpandedTokens)
                return state_.Fail("calls expand '" + name + "' to more than " + std::to_string(kMaxExpandedTokens) +
                                   " tokens");
            if (cost.cases > kMaxCases)
                return state_.Fail("calls and switches make more than " + std::to_string(kMaxCases) + " cases");
            if (cost.branches > kMaxBranches)
                return state_.Fail("calls and control statements make more than " + std::to_string(kMaxBranches) +
                                   " branches");
            if (cost.registers > kMaxTypeRegisters)
                return state_.Fail("calls and local variables take more than " + std::to_string(kMaxTypeRegisters) +
                                   " registers");
        }
        return true;
    }

private:
    struct Function {
        std::string name;
        size_t tokens = 0, cases = 0, branches = 0, registers = 0;
        std::vector<std::string> calls;  // names read before "(": calls when a function has the name
    };
    struct Cost {
        size_t tokens = 0, cases = 0, branches = 0, registers = 0;
    };
    // A structure being read, or a "typedef".
    struct Declaration {
        std::string name;        // empty for a "typedef" or a structure without one
        size_t braces;           // the level of its members
        bool alias;              // a "typedef": its declarators name types
        size_t registers = 0;
        std::vector<Token> member;  // the member read so far
        size_t inner = 0;           // registers of a structure declared in the member
    };

    // Without recursion: a chain of calls may be as long as the text allows.
    Cost Expand(const std::string& root, std::unordered_map<std::string, Cost>* done) {
        enum Mark : char { kOpen, kClosed };
        std::unordered_map<std::string, Mark> marks;
        std::vector<std::string> stack{root};
        while (!stack.empty()) {
            const std::string name = stack.back();
            if (done->count(name)) {
                stack.pop_back();
                continue;
            }
            const auto range = functions_.equal_range(name);
            if (marks.emplace(name, kOpen).second) {
                for (auto f = range.first; f != range.second; ++f)
                    for (const std::string& callee : f->second.calls)
                        if (functions_.count(callee) && !marks.count(callee)) stack.push_back(callee);
                continue;
            }
            // The callees are done, or open above this one: a recursion, which the compiler refuses.
            Cost most;
            for (auto f = range.first; f != range.second; ++f) {
                const Function& own = f->second;
                Cost c{own.tokens, own.cases, own.branches, own.registers};
                for (const std::string& callee : own.calls) {
                    const auto found = done->find(callee);
                    if (found == done->end()) continue;
                    c.tokens = Sum(c.tokens, found->second.tokens);
                    c.cases = Sum(c.cases, found->second.cases);
                    c.branches = Sum(c.branches, found->second.branches);
                    c.registers = Sum(c.registers, found->second.registers);
                }
                most.tokens = std::max(most.tokens, c.tokens);
                most.cases = std::max(most.cases, c.cases);
                most.branches = std::max(most.branches, c.branches);
                most.registers = std::max(most.registers, c.registers);
            }
            (*done)[name] = most;
            stack.pop_back();
        }
        return (*done)[root];
    }

    // Local variables, and "static" ones outside the functions: a statement that
    // starts with a type and a name.
    bool Variables(const Token& t) {
        const std::string& s = t.text;
        const bool outside = !function_ && braces_ == 0 && parens_ == 0;
        if (variable_.member.empty()) {
            const bool start = statementStart_;
            statementStart_ = s == ";" || s == "{" || s == "}";
            if (!start || (!function_ && !outside)) return true;
            if (s == "static" || s == "const" || s == "uniform" || s == "precise" || s == "volatile") {
                statementStart_ = true;  // still before the type
                static_ = static_ || s == "static";
                return true;
            }
            const bool wanted = function_ || static_;
            static_ = false;
            if (!wanted || TypeRegisters(s) == 0) return true;
            variable_.member.push_back(t);
            variableDepth_ = 0;
            return true;
        }
        if (variable_.member.size() == 1 && s != "<" && !IsIdentifier(t)) {
            variable_.member.clear();  // a constructor, not a declaration
            statementStart_ = s == ";";
            return true;
        }
        if (s == "(" || s == "[" || s == "{") ++variableDepth_;
        if ((s == ")" || s == "]" || s == "}") && variableDepth_ > 0) --variableDepth_;
        if (s != ";" || variableDepth_ > 0) {
            variable_.member.push_back(t);
            return true;
        }
        const size_t registers = Member(variable_);
        variable_.member.clear();
        statementStart_ = true;
        if (function_) {
            function_->registers = Sum(function_->registers, registers);
        } else {
            statics_ = Sum(statics_, registers);
            if (statics_ > kMaxTypeRegisters)
                return state_.Fail("static variables take more than " + std::to_string(kMaxTypeRegisters) +
                                   " registers");
        }
        return true;
    }

    size_t TypeRegisters(const std::string& name) const {
        const auto found = types_.find(name);
        return found != types_.end() ? found->second : BuiltInRegisters(name);
    }

    // Structures and "typedef"s, wherever they stand.
    bool Declarations(const Token& t) {
        const std::string& s = t.text;
        Declaration* open = declarations_.empty() ? nullptr : &declarations_.back();
        if (afterStruct_) {
            afterStruct_ = false;
            if (IsIdentifier(t)) {
                structName_ = s;
                afterStruct_ = true;  // "{" may follow
                return true;
            }
            if (s == "{") {
                declarations_.push_back(Declaration{std::move(structName_), braces_ + 1, false});
                structName_.clear();
                return true;
            }
            structName_.clear();
        }
        if (s == "struct") {
            afterStruct_ = true;
            return true;
        }
        if (s == "typedef" && (!open || !open->alias)) {
            declarations_.push_back(Declaration{"", braces_, true});
            return true;
        }
        if (!open) return true;
        if (s == "}" && !open->alias && braces_ == open->braces) {
            Declaration done = std::move(declarations_.back());
            declarations_.pop_back();
            if (done.registers > kMaxTypeRegisters)
                return state_.Fail("structure " + (done.name.empty() ? std::string("without a name") : "'" + done.name + "'") +
                                   " takes more than " + std::to_string(kMaxTypeRegisters) + " registers");
            if (!done.name.empty()) types_[done.name] = done.registers;
            if (!declarations_.empty()) declarations_.back().inner = done.registers;
            return true;
        }
        if (braces_ != open->braces) return true;
        if (s == ";") {
            const size_t registers = Member(*open);
            open->member.clear();
            open->inner = 0;
            if (open->alias) declarations_.pop_back();
            else open->registers = Sum(open->registers, registers);
            return true;
        }
        open->member.push_back(t);
        return true;
    }

    // The registers of one member statement (all its declarators); a "typedef"
    // names its declarators' types instead.
    size_t Member(const Declaration& d) {
        const std::vector<Token>& m = d.member;
        size_t at = 0, type = d.inner;
        if (type == 0) {
            while (at < m.size() && TypeRegisters(m[at].text) == 0) ++at;
            if (at == m.size()) return 0;
            type = TypeRegisters(m[at++].text);
            if (at < m.size() && m[at].text == "<")
                while (at < m.size() && m[at++].text != ">") {
                }
        }
        size_t total = 0;
        while (at < m.size()) {
            std::string name = IsIdentifier(m[at]) ? m[at].text : "";
            size_t registers = type;
            for (++at; at < m.size() && m[at].text != ","; ++at) {
                if (m[at].text == "[" && at + 1 < m.size() && IsDigit(m[at + 1].text[0]))
                    registers = Multiply(registers, std::strtoull(m[at + 1].text.c_str(), nullptr, 0));
                if (m[at].text == ":" || m[at].text == "=") break;  // to the declarator's end
            }
            // Past a semantic or an initialiser, whose brackets may hold commas.
            for (size_t depth = 0; at < m.size() && (depth > 0 || m[at].text != ","); ++at) {
                const std::string& x = m[at].text;
                if (x == "(" || x == "[" || x == "{") ++depth;
                if ((x == ")" || x == "]" || x == "}") && depth > 0) --depth;
            }
            ++at;
            if (d.alias && !name.empty()) types_[name] = registers;
            total = Sum(total, registers);
        }
        return total;
    }

    State& state_;
    std::unordered_multimap<std::string, Function> functions_;
    std::unique_ptr<Function> function_;  // the body being read
    std::string name_, last_, pendingCall_;
    bool candidate_ = false;  // parameters were just read, a body may follow
    size_t braces_ = 0, parens_ = 0;
    std::unordered_map<std::string, size_t> types_;  // structures and "typedef"s by name
    std::vector<Declaration> declarations_;
    std::string structName_;
    bool afterStruct_ = false;
    Declaration variable_{"", 0, false};  // a variable's statement being read
    size_t variableDepth_ = 0;
    bool statementStart_ = true;
    bool static_ = false;  // the statement being started is "static"
    size_t statics_ = 0;
};

}  // namespace

bool CheckShaderSource(const std::string& preamble, const std::string& text, std::string* errors, size_t* tokens) {
    State state;
    if (preamble.size() + text.size() > kMaxShaderBytes) {
        state.Fail("the shader is longer than " + std::to_string(kMaxShaderBytes) + " bytes");
    } else {
        // The preamble's lines come before line 1.
        std::string all = preamble;
        if (!all.empty() && all.back() != '\n') all += '\n';
        int firstLine = 1;
        for (char c : all) firstLine -= c == '\n' ? 1 : 0;
        all += text;
        Text source(state, Splice(all, firstLine));
        Expander expander(state, source, 0);
        Nesting nesting;
        Shape shape(state);
        size_t count = 0;
        for (Token t; expander.Next(&t);) {
            if (++count > kMaxShaderTokens) {
                state.Fail("the shader has more than " + std::to_string(kMaxShaderTokens) + " tokens");
                break;
            }
            if (!nesting.Add(t.text)) {
                state.Fail("nesting deeper than " + std::to_string(kMaxNesting) + " levels");
                break;
            }
            if (!shape.Add(t)) break;
        }
        if (state.error.empty()) shape.Finish();
        if (tokens) *tokens = count;
    }
    if (state.error.empty()) return true;
    if (errors) *errors = state.error;
    return false;
}

}  // namespace d3dxfx
