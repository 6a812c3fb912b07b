#include "core/inf_reader.h"

#include <algorithm>
#include <cwctype>

#include "core/utf8.h"

// Behaviour pinned by the differential test against Wine's SetupAPI
// (tests/win/inf_reader_differential_test.cpp).  Where the reader cannot or
// does not follow it:
//  - a file without a byte-order mark is taken as UTF-16LE when a quarter
//    of its first 4096 bytes are zero; Windows and Wine weigh the bytes by
//    statistics that a file meant as text hardly ever reaches otherwise;
//  - a UTF-16 big-endian mark: the reader decodes the file; Wine reads it
//    as ANSI text and Windows documents only ANSI and UTF-16LE INF files
//    (the checker reports both that and the UTF-8 mark);
//  - letter case is ignored in names for ASCII letters only, as Wine does
//    (Windows may fold other letters as well);
//  - a UTF-16 file holding a zero character: Wine's statistics then call it
//    no UTF-16 and read it as ANSI text; the reader reads it as UTF-16;
//  - directory ids (%11%) stay as written, and [Strings.LanguageID]
//    sections are not consulted: neither changes a models line.

namespace core {

namespace {

constexpr wchar_t kCtrlZ = 0x1A;

// The blanks the parser skips (iswspace of the C library under Windows).
bool IsInfSpace(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::wstring FoldedInfName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = FoldProfileChar(c);
    return folded;
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring text(bytes.size() / 2, L'\0');
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(bigEndian ? (b[2 * i] << 8) | b[2 * i + 1] : (b[2 * i + 1] << 8) | b[2 * i]);
    return text;
}

// The parser's state machine, as SetupAPI runs it over the decoded text.
class InfParser {
public:
    InfParser(std::wstring_view text, std::vector<InfSection>& sections,
              std::unordered_map<std::wstring, size_t>& index)
        : text_(text), data_(text.data()), size_(text.size()), sections_(sections), index_(index) {
        stack_.reserve(8);
        token_.reserve(64);
    }

    // Returns the error and the line it stopped at.
    std::pair<InfError, size_t> Run() {
        size_t pos = 0;
        bool more = true;
        while (more && error_ == InfError::None) {
            switch (state_) {
                case State::LineStart: more = LineStart(pos); break;
                case State::SectionName: more = SectionName(pos); break;
                case State::KeyName: more = KeyName(pos); break;
                case State::ValueName: more = ValueName(pos); break;
                case State::EolBackslash: more = EolBackslash(pos); break;
                case State::Quotes: more = Quotes(pos); break;
                case State::LeadingSpaces: more = LeadingSpaces(pos); break;
                case State::TrailingSpaces: more = TrailingSpaces(pos); break;
                case State::Comment: more = Comment(pos); break;
            }
        }
        if (error_ != InfError::None) return {error_, linePos_};
        if (brokenLine_ && index_.find(L"strings") == index_.end())
            return {InfError::LineBeforeFirstSection, brokenLine_};
        return {InfError::None, 0};
    }

private:
    enum class State { LineStart, SectionName, KeyName, ValueName, EolBackslash, Quotes, LeadingSpaces,
                       TrailingSpaces, Comment };

    bool IsEof(size_t p) const { return p >= size_ || data_[p] == kCtrlZ; }
    bool IsEol(size_t p) const { return p >= size_ || data_[p] == kCtrlZ || data_[p] == L'\n'; }

    void Push(State s) { stack_.push_back(s); }
    void Pop() {
        state_ = stack_.empty() ? State::LineStart : stack_.back();
        if (!stack_.empty()) stack_.pop_back();
    }

    // Appends the text from the token's start up to `pos`, within the
    // token's limit, a zero character becoming a blank.
    void PushToken(size_t pos) {
        size_t length = pos > start_ ? pos - start_ : 0;
        length = std::min(length, kMaxInfTokenChars - std::min(token_.size(), kMaxInfTokenChars));
        const size_t from = token_.size();
        token_.append(text_.substr(start_, length));
        std::replace(token_.begin() + static_cast<std::ptrdiff_t>(from), token_.end(), L'\0', L' ');
        start_ = pos;
    }

    bool AddSectionFromToken() {
        if (token_.size() > kMaxInfSectionNameChars) {
            error_ = InfError::SectionNameTooLong;
            return false;
        }
        auto [it, added] = index_.try_emplace(FoldedInfName(token_), sections_.size());
        if (added) sections_.push_back(InfSection{token_, linePos_, {}});
        token_.clear();
        section_ = it->second;
        return true;
    }

    bool AddFieldFromToken(bool isKey) {
        if (!lineOpen_) {
            if (section_ == kNoSection) {
                error_ = InfError::LineBeforeFirstSection;
                return false;
            }
            sections_[section_].lines.push_back(InfLine{linePos_, std::nullopt, {}});
            lineOpen_ = true;
        }
        InfLine& line = sections_[section_].lines.back();
        if (isKey) line.key = token_;
        else line.fields.push_back(token_);
        token_.clear();
        return true;
    }

    // A line of one field and no key has that field as its key too.
    void CloseLine() {
        if (lineOpen_) {
            InfLine& line = sections_[section_].lines.back();
            if (line.fields.size() == 1 && !line.key) line.key = line.fields.front();
        }
        lineOpen_ = false;
    }

    bool LineStart(size_t& pos) {
        for (size_t p = pos; !IsEof(p); ++p) {
            const wchar_t c = text_[p];
            if (c == L'\n') {
                ++linePos_;
                CloseLine();
            } else if (c == L';') {
                Push(State::LineStart);
                state_ = State::Comment;
                pos = p + 1;
                return true;
            } else if (c == L'[') {
                start_ = p + 1;
                state_ = State::SectionName;
                pos = p + 1;
                return true;
            } else if (!IsInfSpace(c)) {
                // Text before the first section is passed over, character
                // by character; the file is refused for it only when it has
                // no [Strings] section.
                if (section_ == kNoSection) {
                    if (!brokenLine_) brokenLine_ = linePos_;
                    continue;
                }
                start_ = p;
                state_ = State::KeyName;
                pos = p;
                return true;
            }
        }
        CloseLine();
        return false;
    }

    bool SectionName(size_t& pos) {
        for (size_t p = pos; !IsEol(p); ++p) {
            if (text_[p] != L']') continue;
            PushToken(p);
            if (!AddSectionFromToken()) return false;
            Push(State::LineStart);
            state_ = State::Comment;  // the rest of the line is ignored
            pos = p + 1;
            return true;
        }
        error_ = InfError::UnfinishedSectionName;
        return false;
    }

    // Moves to `next`, reading on at `at`.
    bool Enter(State next, size_t at, size_t& pos) {
        state_ = next;
        pos = at;
        return true;
    }

    // The token so far ends a field (a key when `isKey`); the next value
    // starts after `p`, past its leading blanks.
    bool NextValue(bool isKey, size_t tokenEnd, size_t p, size_t& pos) {
        PushToken(tokenEnd);
        if (!AddFieldFromToken(isKey)) return false;
        start_ = p + 1;
        Push(State::ValueName);
        return Enter(State::LeadingSpaces, p + 1, pos);
    }

    enum class Step { GoOn, Entered, Failed };

    // What a key and a value do alike with `c` at `p`: a comment ends the
    // field, quotes, a backslash and blanks are their own states that come
    // back to `self`, any other character belongs to the token.
    Step TokenChar(State self, wchar_t c, size_t p, size_t& tokenEnd, size_t& pos) {
        switch (c) {
            case L';':
                PushToken(tokenEnd);
                if (!AddFieldFromToken(false)) return Step::Failed;
                Push(State::LineStart);
                Enter(State::Comment, p + 1, pos);
                return Step::Entered;
            case L'"':
                PushToken(p);
                start_ = p + 1;
                Push(self);
                Enter(State::Quotes, p + 1, pos);
                return Step::Entered;
            case L'\\':
                PushToken(tokenEnd);
                start_ = p;
                Push(self);
                Enter(State::EolBackslash, p, pos);
                return Step::Entered;
            default:
                if (!IsInfSpace(c)) {
                    tokenEnd = p + 1;
                    return Step::GoOn;
                }
                PushToken(p);
                Push(self);
                Enter(State::TrailingSpaces, p, pos);
                return Step::Entered;
        }
    }

    bool KeyName(size_t& pos) {
        size_t tokenEnd = start_;
        size_t p = pos;
        for (; !IsEol(p); ++p) {
            const wchar_t c = text_[p];
            if (c == L',') break;  // no key: the token is the line's first value
            if (c == L'=') return NextValue(true, tokenEnd, p, pos);
            const Step step = TokenChar(State::KeyName, c, p, tokenEnd, pos);
            if (step != Step::GoOn) return step == Step::Entered;
        }
        PushToken(tokenEnd);
        return Enter(State::ValueName, p, pos);
    }

    bool ValueName(size_t& pos) {
        size_t tokenEnd = start_;
        size_t p = pos;
        for (; !IsEol(p); ++p) {
            const wchar_t c = text_[p];
            if (c == L',') return NextValue(false, tokenEnd, p, pos);
            const Step step = TokenChar(State::ValueName, c, p, tokenEnd, pos);
            if (step != Step::GoOn) return step == Step::Entered;
        }
        PushToken(tokenEnd);
        if (!AddFieldFromToken(false)) return false;
        return Enter(State::LineStart, p, pos);
    }

    // A backslash: the line goes on on the next one when only blanks (or a
    // comment) follow it; otherwise it is text.
    bool EolBackslash(size_t& pos) {
        size_t p = pos;
        for (; !IsEof(p); ++p) {
            const wchar_t c = text_[p];
            if (c == L'\n') {
                ++linePos_;
                start_ = p + 1;
                state_ = State::LeadingSpaces;
                pos = p + 1;
                return true;
            }
            if (c == L'\\') continue;
            if (c == L';') {
                Push(State::EolBackslash);
                state_ = State::Comment;
                pos = p + 1;
                return true;
            }
            if (IsInfSpace(c)) continue;
            PushToken(p);
            Pop();
            pos = p;
            return true;
        }
        start_ = p;
        Pop();
        pos = p;
        return true;
    }

    bool Quotes(size_t& pos) {
        size_t p = pos;
        for (; !IsEol(p); ++p) {
            if (text_[p] != L'"') continue;
            if (p + 1 < text_.size() && text_[p + 1] == L'"') {  // a doubled quote is one
                PushToken(p + 1);
                start_ = p + 2;
                ++p;
                continue;
            }
            PushToken(p);
            start_ = p + 1;
            Pop();
            pos = p + 1;
            return true;
        }
        PushToken(p);
        Pop();
        pos = p;
        return true;
    }

    bool LeadingSpaces(size_t& pos) {
        size_t p = pos;
        for (; !IsEol(p); ++p) {
            if (text_[p] == L'\\') {
                start_ = p;
                state_ = State::EolBackslash;
                pos = p;
                return true;
            }
            if (!IsInfSpace(text_[p])) break;
        }
        start_ = p;
        Pop();
        pos = p;
        return true;
    }

    bool TrailingSpaces(size_t& pos) {
        size_t p = pos;
        for (; !IsEol(p); ++p) {
            if (text_[p] == L'\\') {
                state_ = State::EolBackslash;
                pos = p;
                return true;
            }
            if (!IsInfSpace(text_[p])) break;
        }
        Pop();
        pos = p;
        return true;
    }

    bool Comment(size_t& pos) {
        size_t p = pos;
        while (!IsEol(p)) ++p;
        Pop();
        pos = p;
        return true;
    }

    static constexpr size_t kNoSection = static_cast<size_t>(-1);

    std::wstring_view text_;
    const wchar_t* data_;
    size_t size_;
    std::vector<InfSection>& sections_;
    std::unordered_map<std::wstring, size_t>& index_;
    State state_ = State::LineStart;
    std::vector<State> stack_;
    size_t start_ = 0;
    size_t section_ = kNoSection;
    bool lineOpen_ = false;
    size_t linePos_ = 1;
    size_t brokenLine_ = 0;
    InfError error_ = InfError::None;
    std::wstring token_;
};

}  // namespace

wchar_t FoldWindowsNameChar(wchar_t c) {
    const auto u = static_cast<unsigned>(c);
    if (u < 0x80) return (u >= 'A' && u <= 'Z') ? static_cast<wchar_t>(u + 0x20) : c;
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<wchar_t>(u + 0x20);
    if (u >= 0x100 && u <= 0x17F) {
        // Pairs of capital and small letter; in two runs the capital is odd.
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
        if (u == 0x178) return static_cast<wchar_t>(0xFF);
        const bool oddCapitals = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        if (oddCapitals) return (u & 1) ? static_cast<wchar_t>(u + 1) : c;
        return (u & 1) ? c : static_cast<wchar_t>(u + 1);
    }
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return static_cast<wchar_t>(u + 0x20);
    if (u >= 0x400 && u <= 0x40F) return static_cast<wchar_t>(u + 0x50);
    if (u >= 0x410 && u <= 0x42F) return static_cast<wchar_t>(u + 0x20);
    if (u >= 0xFF21 && u <= 0xFF3A) return static_cast<wchar_t>(u + 0x20);
    return c;
}

bool IsInfDiridToken(std::wstring_view token) {
    size_t i = 0;
    while (i < token.size() && std::iswspace(static_cast<wint_t>(token[i]))) ++i;
    if (i < token.size() && (token[i] == L'+' || token[i] == L'-')) ++i;
    const size_t digits = i;
    while (i < token.size() && token[i] >= L'0' && token[i] <= L'9') ++i;
    return i > digits && i == token.size();
}

bool InfNamesEqual(std::wstring_view a, std::wstring_view b) { return ProfileNamesEqual(a, b); }

InfEncoding SniffInfEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) return InfEncoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return InfEncoding::Utf16BE;
    const std::string_view head = bytes.substr(0, 4096);
    if (head.size() >= 4 && static_cast<size_t>(std::count(head.begin(), head.end(), '\0')) * 4 >= head.size())
        return InfEncoding::Utf16LEWithoutMark;
    if (bytes.starts_with("\xEF\xBB\xBF")) return InfEncoding::Utf8;
    return InfEncoding::Ansi;
}

std::wstring DecodeInfBytes(std::string_view bytes, AnsiDecoder decodeAnsi) {
    switch (SniffInfEncoding(bytes)) {
        case InfEncoding::Utf16LE: return DecodeUtf16(bytes.substr(2), false);
        case InfEncoding::Utf16BE: return DecodeUtf16(bytes.substr(2), true);
        case InfEncoding::Utf16LEWithoutMark: return DecodeUtf16(bytes, false);
        case InfEncoding::Utf8: return Utf8ToWideLeniently(bytes.substr(3));
        case InfEncoding::Ansi: break;
    }
    return decodeAnsi ? decodeAnsi(bytes) : std::wstring();
}

InfDocument::InfDocument(std::string_view bytes, AnsiDecoder decodeAnsi) : encoding_(SniffInfEncoding(bytes)) {
    Parse(DecodeInfBytes(bytes, decodeAnsi));
}

void InfDocument::Parse(std::wstring_view text) {
    const auto [error, line] = InfParser(text, sections_, sectionIndex_).Run();
    error_ = error;
    errorLine_ = line;
    if (const InfSection* strings = FindSection(L"Strings"))
        for (const InfLine& l : strings->lines)
            if (l.key) strings_.try_emplace(FoldedInfName(*l.key), l.fields.empty() ? nullptr : &l.fields.front());
    if (error_ == InfError::None) CheckSignature();
}

// The signature is compared as written, before any %strkey% substitution.
void InfDocument::CheckSignature() {
    if (const InfSection* version = FindSection(L"Version")) {
        for (const InfLine& l : version->lines) {
            if (!l.key || !InfNamesEqual(*l.key, L"Signature")) continue;
            if (!l.fields.empty())
                for (std::wstring_view known : {L"$Chicago$", L"$Windows NT$", L"$Windows 95$"})
                    if (InfNamesEqual(l.fields.front(), known)) return;
            break;  // only the first Signature line counts
        }
    }
    error_ = InfError::NoSignature;
    errorLine_ = 0;
}

const InfSection* InfDocument::FindSection(std::wstring_view name) const {
    const auto it = sectionIndex_.find(FoldedInfName(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const std::wstring* InfDocument::StringValue(std::wstring_view token) const {
    const auto it = strings_.find(FoldedInfName(token));
    return it == strings_.end() ? nullptr : it->second;
}

std::optional<std::wstring> InfDocument::Field(const InfLine& line, size_t index) const {
    if (index == 0) return line.key ? std::optional<std::wstring>(Resolve(*line.key)) : std::nullopt;
    if (index > line.fields.size()) return std::nullopt;
    return Resolve(line.fields[index - 1]);
}

std::wstring InfDocument::Resolve(std::wstring_view raw) const {
    std::wstring out;
    const auto append = [&](std::wstring_view part) {
        out.append(part.substr(0, kMaxInfStringChars - std::min(out.size(), kMaxInfStringChars)));
    };
    size_t start = 0;
    bool inside = false;
    for (size_t p = 0; p < raw.size(); ++p) {
        if (raw[p] != L'%') continue;
        inside = !inside;
        if (inside) {
            append(raw.substr(start, p - start));
            start = p;
            continue;
        }
        const std::wstring_view token = raw.substr(start + 1, p - start - 1);
        const std::wstring* value = token.empty() ? nullptr : StringValue(token);
        if (token.empty()) append(L"%");
        else if (value) append(*value);
        else append(raw.substr(start, p - start + 1));
        start = p + 1;
    }
    if (start < raw.size()) append(raw.substr(start));
    return out;
}

std::vector<std::wstring> InfDocument::UndefinedTokens(std::wstring_view raw) const {
    std::vector<std::wstring> undefined;
    size_t open = std::wstring_view::npos;
    for (size_t p = 0; p < raw.size(); ++p) {
        if (raw[p] != L'%') continue;
        if (open == std::wstring_view::npos) {
            open = p;
            continue;
        }
        const std::wstring_view token = raw.substr(open + 1, p - open - 1);
        if (!token.empty() && !StringValue(token) && !IsInfDiridToken(token)) undefined.emplace_back(token);
        open = std::wstring_view::npos;
    }
    return undefined;
}

}  // namespace core
