#include "shell/filter/filter_files.h"

#include <QFile>
#include <QSaveFile>

namespace torvel::filter {

FileWrite writeTextFile(const QString& path, const std::string& text)
{
    QSaveFile file(path);
    const auto size = static_cast<qint64>(text.size());
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text.data(), size) == size && file.commit();
    return written ? FileWrite::Written : FileWrite::Failed;
}

FileRead readTextFile(const QString& path, qint64 largest)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("開けません")};
    // Read one byte beyond the limit, so that a file growing while it is read is refused too.
    const QByteArray bytes = file.read(largest + 1);
    if (bytes.size() > largest)
        return {std::nullopt, QStringLiteral("フィルタファイルとしては大きすぎます")};
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("読み取れません")};
    return {std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), {}};
}

}  // namespace torvel::filter
