#include "update/xml/XmlReader.h"

#include "update/xml/XmlMessages.h"

namespace vexrem::xml {

// ---- TTextReader / TXmlReaderStream ---------------------------------------

bool TTextReader::Fill() {
    if (streamDone_)
        return false;
    stream_.read(buffer_, static_cast<std::streamsize>(kBlockSize));
    const auto got = static_cast<std::size_t>(stream_.gcount());
    cur_ = buffer_;
    end_ = buffer_ + got;
    if (got == 0)
        streamDone_ = true;
    return got != 0;
}

void TXmlReaderStream::SkipWhitespace() {
    while (!AtEnd()) {
        char c = Get();
        if (!IsXmlWhitespace(c)) {
            PushBack(c);
            return;
        }
    }
}

bool TXmlReaderStream::Match(std::string_view text, bool consume) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AtEnd()) {
            PushBack(text.substr(0, i));
            return false;
        }
        char c = Get();
        if (c != text[i]) {
            PushBack(c);
            PushBack(text.substr(0, i));
            return false;
        }
    }
    if (!consume)
        PushBack(text);
    return true;
}

// ---- TXmlReader ------------------------------------------------------------

TXmlReader::TXmlReader() : chunk_(std::make_unique<char[]>(kChunkSize)) {}

TXmlReader::~TXmlReader() = default;

void TXmlReader::Open(std::istream& stream) {
    Close();
    source_ = std::make_unique<TXmlReaderStream>(stream);
    Reset();
}

void TXmlReader::Open(std::unique_ptr<std::istream> stream) {
    Close();
    source_ = std::make_unique<TXmlReaderStream>(std::move(stream));
    Reset();
}

void TXmlReader::Reset() {
    token_ = xtEnd;
    state_ = ScanState::BetweenTokens;
    finished_ = source_->AtEnd();
    openElements_.clear();
    chunkLen_ = 0;
}

void TXmlReader::Close() {
    source_.reset();
    token_ = xtEnd;
    finished_ = true;
    openElements_.clear();
}

void TXmlReader::Fail(const char* what) {
    // The reading ends here; a further Next() answers xtEnd.
    finished_ = true;
    token_ = xtEnd;
    chunkLen_ = 0;
    throw EXmlReader(std::string(msg::kReaderPrefix) + what);
}

template <class Stop> int TXmlReader::Collect(std::string& out, Stop stop) {
    TXmlReaderStream& src = *source_;
    while (!src.AtEnd()) {
        char c = src.Get();
        if (stop(c)) {
            Flush(out);
            return static_cast<unsigned char>(c);
        }
        Put(out, c);
    }
    Flush(out);
    return -1;
}

// Given the byte that ended a name: when it is whitespace, skips the rest of
// the whitespace and answers the byte after it (-1 at the end).
int TXmlReader::ReadByteAfterWhitespace(int byte) {
    if (byte < 0 || !IsXmlWhitespace(static_cast<char>(byte)))
        return byte;
    source_->SkipWhitespace();
    if (source_->AtEnd())
        return -1;
    return static_cast<unsigned char>(source_->Get());
}

TXmlToken TXmlReader::Next() {
    name_.clear();
    value_.clear();
    TXmlToken token = (finished_ || source_->AtEnd()) ? xtEnd : ReadToken();
    token_ = token;
    if (token == xtEnd)
        finished_ = true;
    return token;
}

TXmlToken TXmlReader::ReadToken() {
    if (state_ == ScanState::InStartTag)
        return ReadAttributeOrTagEnd();

    TXmlReaderStream& src = *source_;
    if (openElements_.empty()) {
        src.SkipWhitespace();
        if (src.AtEnd())
            return xtEnd;
    }
    char c = src.Get();
    if (c != '<') {
        src.PushBack(c);
        if (openElements_.empty())
            Fail(msg::kTextOutside);
        return ReadText();
    }
    if (src.AtEnd())
        Fail(msg::kUnexpectedEnd);
    c = src.Get();
    switch (c) {
    case '!':
        if (src.Match("--", true))
            return ReadComment();
        if (src.Match("[CDATA[", true))
            return ReadCData();
        if (src.Match("DOCTYPE", true))
            return ReadDocumentType();
        Fail(msg::kUnknownSpecial);
    case '/':
        return ReadEndTag();
    case '?':
        return ReadProcessingInstruction();
    default:
        src.PushBack(c);
        return ReadStartTag();
    }
}

TXmlToken TXmlReader::ReadStartTag() {
    source_->SkipWhitespace();
    int byte = Collect(name_, [](char c) { return IsXmlWhitespace(c) || c == '/' || c == '>'; });
    byte = ReadByteAfterWhitespace(byte);
    if (byte < 0)
        Fail(msg::kStartTagNoGt);
    if (byte == '>') {
        state_ = ScanState::BetweenTokens;
    } else {
        source_->PushBack(static_cast<char>(byte));
        state_ = ScanState::InStartTag;
    }
    openElements_.push_back(name_);
    if (name_.empty())
        Fail(msg::kStartTagNoName);
    return xtElementStart;
}

TXmlToken TXmlReader::ReadAttributeOrTagEnd() {
    TXmlReaderStream& src = *source_;
    src.SkipWhitespace();
    if (!src.AtEnd()) {
        char c = src.Get();
        if (c == '/') {
            if (src.AtEnd() || src.Get() != '>')
                Fail(msg::kSlashNoGt);
            if (!openElements_.empty()) {
                name_ = std::move(openElements_.back());
                openElements_.pop_back();
            }
            state_ = ScanState::BetweenTokens;
            return xtElementEnd;
        }
        src.PushBack(c);
    }

    int byte = Collect(name_, [](char c) { return IsXmlWhitespace(c) || c == '=' || c == '>'; });
    if (ReadByteAfterWhitespace(byte) != '=')
        Fail(msg::kAttrNoEquals);
    if (name_.empty())
        Fail(msg::kAttrNoName);

    src.SkipWhitespace();
    if (src.AtEnd())
        Fail(msg::kAttrNoValue);
    int inHand;
    char first = src.Get();
    if (first == '"' || first == '\'') {
        if (Collect(value_, [first](char c) { return c == first; }) < 0)
            Fail(msg::kAttrExpected);
        inHand = src.AtEnd() ? -1 : static_cast<unsigned char>(src.Get());
    } else {
        src.PushBack(first);
        inHand = Collect(value_, [](char c) { return IsXmlWhitespace(c) || c == '/' || c == '>'; });
    }
    if (inHand >= 0 && IsXmlWhitespace(static_cast<char>(inHand))) {
        inHand = ReadByteAfterWhitespace(inHand);
    }
    if (inHand < 0)
        Fail(msg::kAttrExpected);
    if (inHand == '>')
        state_ = ScanState::BetweenTokens;
    else
        src.PushBack(static_cast<char>(inHand));
    return xtAttribute;
}

TXmlToken TXmlReader::ReadEndTag() {
    source_->SkipWhitespace();
    int byte = Collect(name_, [](char c) { return IsXmlWhitespace(c) || c == '>'; });
    if (ReadByteAfterWhitespace(byte) != '>')
        Fail(msg::kEndTagNoGt);
    if (openElements_.empty() || openElements_.back() != name_)
        Fail(msg::kEndTagMismatch);
    openElements_.pop_back();
    return xtElementEnd;
}

TXmlToken TXmlReader::ReadProcessingInstruction() {
    TXmlReaderStream& src = *source_;
    src.SkipWhitespace();
    int byte = Collect(name_, [](char c) { return IsXmlWhitespace(c) || c == '>' || c == '?'; });
    if (byte == '>' || byte == '?')
        src.PushBack(static_cast<char>(byte));
    if (name_.empty())
        Fail(msg::kPiNoTarget);
    src.SkipWhitespace();
    // A "?" is held back until we know whether a ">" follows it.
    bool question = false;
    for (;;) {
        if (src.AtEnd())
            Fail(msg::kPiNoEnd);
        char c = src.Get();
        if (c == '>' && question)
            break;
        if (question)
            Put(value_, '?');
        question = c == '?';
        if (!question)
            Put(value_, c);
    }
    Flush(value_);
    return xtProcessingInstruction;
}

TXmlToken TXmlReader::ReadDocumentType() {
    TXmlReaderStream& src = *source_;
    src.SkipWhitespace();
    int byte = Collect(name_, [](char c) { return IsXmlWhitespace(c) || c == '>'; });
    if (byte == '>')
        src.PushBack('>');
    if (name_.empty())
        Fail(msg::kDoctypeNoName);
    src.SkipWhitespace();
    int depth = 1;
    for (;;) {
        if (src.AtEnd())
            Fail(msg::kDoctypeNoEnd);
        char c = src.Get();
        if (c == '<') {
            ++depth;
        } else if (c == '>' && --depth == 0) {
            break;
        }
        Put(value_, c);
    }
    Flush(value_);
    return xtDocumentType;
}

TXmlToken TXmlReader::ReadComment() {
    TXmlReaderStream& src = *source_;
    // Dashes are held back (at most two) until we know whether ">" follows.
    int dashes = 0;
    for (;;) {
        if (src.AtEnd())
            Fail(msg::kCommentNoEnd);
        char c = src.Get();
        if (c == '-') {
            if (dashes == 2)
                Put(value_, '-');
            else
                ++dashes;
            continue;
        }
        if (c == '>' && dashes == 2)
            break;
        for (; dashes > 0; --dashes)
            Put(value_, '-');
        Put(value_, c);
    }
    Flush(value_);
    return xtComment;
}

TXmlToken TXmlReader::ReadCData() {
    TXmlReaderStream& src = *source_;
    bool bracket = false;
    for (;;) {
        if (src.AtEnd())
            Fail(msg::kCDataNoEnd);
        char c = src.Get();
        if (c == ']') {
            if (bracket)
                break;
            bracket = true;
            continue;
        }
        if (bracket) {
            Put(value_, ']');
            bracket = false;
        }
        Put(value_, c);
    }
    Flush(value_);
    src.SkipWhitespace();
    if (src.AtEnd() || src.Get() != '>')
        Fail(msg::kCDataNoGt);
    return xtCData;
}

TXmlToken TXmlReader::ReadText() {
    if (Collect(value_, [](char c) { return c == '<'; }) == '<')
        source_->PushBack('<');
    return xtText;
}

// ---- escaping ----------------------------------------------------------------

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t pos = text.find(from);
    if (pos == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (; pos != std::string::npos; pos = text.find(from, start)) {
        out.append(text, start, pos - start);
        out.append(to);
        start = pos + from.size();
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

} // namespace

std::string Escape(std::string_view text) {
    std::string out(text);
    ReplaceAll(out, "&", "&amp;");
    ReplaceAll(out, "<", "&lt;");
    ReplaceAll(out, ">", "&gt;");
    ReplaceAll(out, "\"", "&quot;");
    ReplaceAll(out, "'", "&apos;");
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out(text);
    ReplaceAll(out, "&apos;", "'");
    ReplaceAll(out, "&quot;", "\"");
    ReplaceAll(out, "&gt;", ">");
    ReplaceAll(out, "&lt;", "<");
    ReplaceAll(out, "&amp;", "&");
    return out;
}

} // namespace vexrem::xml
