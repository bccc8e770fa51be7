#include "shell/window/version_title.h"

#include <QStringList>

namespace torvel {
namespace {

bool readVersionPart(QStringView text, std::uint32_t& part)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);  // rejects signs, blanks and empty text
    if (!ok || value > 0xFFFFu)
        return false;
    part = value;
    return true;
}

}  // namespace

std::uint32_t versionWordFromText(QStringView version)
{
    const auto parts = version.split(u'.');
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    if (parts.size() < 2 || !readVersionPart(parts[0], major) || !readVersionPart(parts[1], minor))
        return kUnknownVersionWord;
    return (major << 16) | minor;
}

QString versionText(std::uint32_t versionWord)
{
    const std::uint32_t major = versionWord >> 16;
    const std::uint32_t minor = versionWord & 0xFFFFu;
    return QString::number(major) + u'.' + QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0'));
}

QString windowTitleFor(std::uint32_t versionWord) { return QStringLiteral("Torvel Ver") + versionText(versionWord); }

QString programWindowTitle()
{
    return windowTitleFor(versionWordFromText(QStringLiteral(TORVEL_PROJECT_VERSION)));
}

}  // namespace torvel
