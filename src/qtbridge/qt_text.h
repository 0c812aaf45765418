#pragma once

#include "document/code_page.h"
#include "document/counted_string.h"

#include <QString>

#include <string>
#include <string_view>

namespace tamberlin {

// Text crossing between the windows (QString) and the quiz block (the system code page).
inline std::string ToCodePage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return CodePage::system().fromUtf8(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

inline QString FromCodePage(std::string_view bytes) {
    return QString::fromStdString(CodePage::system().toUtf8(bytes));
}

template <std::size_t N>
QString FromCodePage(const CountedString<N>& field) {
    return FromCodePage(field.view());
}

// The characters of a text that the system code page cannot hold (each once, in the order they
// first appear); storing the text would turn each of them into "?".
inline QString CharactersOutsideCodePage(const QString& text) {
    QString outside;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (FromCodePage(ToCodePage(one)) != one && !outside.contains(one)) {
            outside += one;
        }
    }
    return outside;
}

// Stores a window text into a quiz field: converted, then cut to the field's capacity.
template <std::size_t N>
void StoreText(CountedString<N>& field, const QString& text) {
    field.store(ToCodePage(text));
}

} // namespace tamberlin
