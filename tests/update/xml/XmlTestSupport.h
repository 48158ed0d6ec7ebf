#pragma once

#include "update/xml/XmlReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexrem::xml::test {

// UTF-8 to Windows-1251 for ASCII and the Russian alphabet, so that expected
// messages can be written readably and still be compared byte for byte.
inline std::string Cp1251(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            ++i;
            continue;
        }
        const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
        const unsigned cp = ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
        i += 2;
        if (cp >= 0x410 && cp <= 0x44F)
            out += static_cast<char>(0xC0 + (cp - 0x410));
        else if (cp == 0x401)
            out += static_cast<char>(0xA8);
        else if (cp == 0x451)
            out += static_cast<char>(0xB8);
        else
            out += '?';
    }
    return out;
}

// Token stream as short strings: "S:name", "E:name", "A:name=value", "T:text",
// "C:comment", "X:cdata", "D:name|value", "P:target|value".
inline std::string Describe(const TXmlReader& r) {
    switch (r.Token()) {
    case xtProcessingInstruction:
        return "P:" + r.Name() + "|" + r.Value();
    case xtDocumentType:
        return "D:" + r.Name() + "|" + r.Value();
    case xtComment:
        return "C:" + r.Value();
    case xtCData:
        return "X:" + r.Value();
    case xtElementStart:
        return "S:" + r.Name();
    case xtElementEnd:
        return "E:" + r.Name();
    case xtAttribute:
        return "A:" + r.Name() + "=" + r.Value();
    case xtText:
        return "T:" + r.Value();
    case xtEnd:
        break;
    }
    return "END";
}

inline std::vector<std::string> Tokens(std::string_view text) {
    TStringViewStream stream(text);
    TXmlReader reader;
    reader.Open(stream);
    std::vector<std::string> out;
    while (reader.Next() != xtEnd)
        out.push_back(Describe(reader));
    return out;
}

} // namespace vexrem::xml::test
