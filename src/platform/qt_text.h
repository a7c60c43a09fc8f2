#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace bk {

// The program's texts are UTF-8 byte strings; the toolkit's are UTF-16. Bytes that are not valid
// UTF-8 are shown as replacement characters; the program keeps the original bytes.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace bk
