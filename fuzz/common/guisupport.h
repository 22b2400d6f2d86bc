#pragma once

#include <QString>
#include <QTextDocument>

namespace fuzzsupport {

// Font and text-layout set-up allocates once per process (fontconfig's
// caches); done before the first input, it is not taken for a leak of one.
inline void warmUpTextDocument()
{
    QTextDocument document;
    document.setHtml(QStringLiteral("<p><b>warm</b> up</p>"));
    (void)document.toPlainText();
}

} // namespace fuzzsupport
