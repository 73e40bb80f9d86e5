#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// The plain text of a rich text (RTF) document: paragraph and line marks become line ends, tabs
// stay, escaped, hexadecimal (Windows-1252) and Unicode characters are decoded, and the font,
// colour and style tables, pictures, document information and other hidden parts are left out.
// Text that is not RTF comes back as it is (single-byte text).
QString rtfToText(const QByteArray& rtf);

} // namespace platform
