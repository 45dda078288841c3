#ifndef TESTS_SUPPORT_QT_PRINTING_H
#define TESTS_SUPPORT_QT_PRINTING_H

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable GoogleTest failure messages for Qt strings.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << '"' << bytes.toStdString() << '"';
}

#endif
