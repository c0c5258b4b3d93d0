#include "platform/sqlite.h"

#include <QFile>

namespace platform {

bool SqliteDatabase::open(const QString& path, bool create)
{
    return socle::Database::open(QFile::encodeName(path).toStdString(),
                                 create ? socle::OpenMode::Create : socle::OpenMode::ReadWrite);
}

void SqliteStatement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    socle::Statement::bind(index, std::string_view(utf8.constData(), size_t(utf8.size())));
}

QByteArrayView SqliteStatement::columnBytes(int column) const
{
    const std::string_view text = socle::Statement::columnText(column);
    return QByteArrayView(text.data(), qsizetype(text.size()));
}

QString SqliteStatement::columnText(int column) const
{
    return QString::fromUtf8(columnBytes(column));
}

} // namespace platform
