#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace vexrem::xml {

// Every byte up to and including the blank counts as whitespace.
inline bool IsXmlWhitespace(char c) noexcept {
    return static_cast<unsigned char>(c) <= 32;
}

// Reads a stream from its current position in blocks of at most 4096 bytes and
// hands out one byte at a time; 0 at the end.
class TTextReader {
public:
    static constexpr std::size_t kBlockSize = 4096;

    explicit TTextReader(std::istream& stream) : stream_(stream) {}
    TTextReader(const TTextReader&) = delete;
    TTextReader& operator=(const TTextReader&) = delete;

    bool AtEnd() { return cur_ == end_ && !Fill(); }
    char Get() {
        if (cur_ == end_ && !Fill())
            return 0;
        return *cur_++;
    }

private:
    bool Fill();

    std::istream& stream_;
    bool streamDone_ = false;
    char buffer_[kBlockSize];
    const char* cur_ = buffer_;
    const char* end_ = buffer_;
};

// A TTextReader with a push-back store. The store is a stack: the byte pushed
// back last is read first, and only an empty store lets reading go on to the
// text reader -- the common case, which costs one comparison.
class TXmlReaderStream {
public:
    explicit TXmlReaderStream(std::istream& stream) : text_(stream) {}
    explicit TXmlReaderStream(std::unique_ptr<std::istream> owned)
        : owned_(std::move(owned)), text_(*owned_) {}

    bool AtEnd() { return pushedBack_.empty() && text_.AtEnd(); }
    char Get() {
        if (pushedBack_.empty()) [[likely]]
            return text_.Get();
        char c = pushedBack_.back();
        pushedBack_.pop_back();
        return c;
    }
    // At the end nothing is pushed back: a 0 in the store would make the end
    // of the input disappear.
    char Peek() {
        if (AtEnd())
            return 0;
        char c = Get();
        PushBack(c);
        return c;
    }
    void PushBack(char c) { pushedBack_.push_back(c); }
    // Afterwards the first byte of text is read first.
    void PushBack(std::string_view text) { pushedBack_.append(text.rbegin(), text.rend()); }
    void SkipWhitespace();
    bool Match(std::string_view text, bool consume);

private:
    std::unique_ptr<std::istream> owned_; // declared first: outlives text_
    TTextReader text_;
    std::string pushedBack_; // a stack; its back is the next byte
};

enum TXmlToken : int {
    xtProcessingInstruction = 0,
    xtDocumentType = 1,
    xtComment = 2,
    xtCData = 3,
    xtElementStart = 4,
    xtElementEnd = 5,
    xtAttribute = 6,
    xtText = 7,
    xtEnd = 8,
};

// The reader's error; carries only its message.
class EXmlReader : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Pull tokenizer: Next() reads one token and sets Token(), Name() and Value().
// Names and values are handed out as written; entities are not decoded.
class TXmlReader {
public:
    static constexpr std::size_t kChunkSize = 8192;

    TXmlReader();
    TXmlReader(const TXmlReader&) = delete;
    TXmlReader& operator=(const TXmlReader&) = delete;
    ~TXmlReader();

    void Open(std::istream& stream);                 // the caller keeps the stream
    void Open(std::unique_ptr<std::istream> stream); // the reader owns it
    void Close();

    TXmlToken Next();

    int Depth() const noexcept { return static_cast<int>(openElements_.size()); }
    TXmlToken Token() const noexcept { return token_; }
    const std::string& Name() const noexcept { return name_; }
    const std::string& Value() const noexcept { return value_; }
    bool Finished() const noexcept { return finished_; }

private:
    enum class ScanState { BetweenTokens, InStartTag };

    void Reset();
    [[noreturn]] void Fail(const char* what);

    TXmlToken ReadToken();
    TXmlToken ReadStartTag();
    TXmlToken ReadAttributeOrTagEnd();
    TXmlToken ReadEndTag();
    TXmlToken ReadProcessingInstruction();
    TXmlToken ReadDocumentType();
    TXmlToken ReadComment();
    TXmlToken ReadCData();
    TXmlToken ReadText();

    // Collects bytes into out until stop(byte) holds; returns that byte, or -1
    // when the input ended first. The stopping byte is consumed.
    template <class Stop> int Collect(std::string& out, Stop stop);
    int ReadByteAfterWhitespace(int byte);
    void Put(std::string& out, char c) {
        chunk_[chunkLen_++] = c;
        if (chunkLen_ == kChunkSize - 1)
            Flush(out);
    }
    void Flush(std::string& out) {
        out.append(chunk_.get(), chunkLen_);
        chunkLen_ = 0;
    }

    TXmlToken token_ = xtEnd;
    std::string name_;
    std::string value_;
    bool finished_ = true;
    std::vector<std::string> openElements_;
    ScanState state_ = ScanState::BetweenTokens;
    std::unique_ptr<TXmlReaderStream> source_;
    std::unique_ptr<char[]> chunk_;
    std::size_t chunkLen_ = 0;
};

// An input stream over bytes that stay owned by the caller (no copy).
class TStringViewStream : public std::istream {
public:
    explicit TStringViewStream(std::string_view bytes) : std::istream(nullptr), buf_(bytes) {
        rdbuf(&buf_);
    }

private:
    struct ViewBuf : std::streambuf {
        explicit ViewBuf(std::string_view bytes) {
            // The get area is only ever read.
            char* p = const_cast<char*>(bytes.data());
            setg(p, p, p + bytes.size());
        }
    };
    ViewBuf buf_;
};

// "&" first, then "<", ">", '"' and "'".
std::string Escape(std::string_view text);
// "&apos;", "&quot;", "&gt;", "&lt;" and "&amp;" last; nothing else is decoded.
std::string Unescape(std::string_view text);

} // namespace vexrem::xml
