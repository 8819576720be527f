#include "gui/GuiResources.h"

#include "host/bundle/BundleLocation.h"
#include "host/text/AppText.h"
#include "support/ResFile.h"

#include <QFile>
#include <QRegularExpression>

#include <string>

namespace orvane {

namespace {

constexpr ResType kAlertResType = MakeFourCC("ALRT");
constexpr ResType kMenuBarResType = MakeFourCC("MBAR");
constexpr ResType kStringResTypeGui = MakeFourCC("STR ");
constexpr int16_t kMainMenuID = 128;
constexpr int16_t kProductNameID = -8185;

QString HelpPath(const QString& file) {
    return QString::fromStdString(BundleDirectory()) + QStringLiteral("/Help/") + file;
}

// "key: value" lines; a line without the separator is a key with an empty value.
std::vector<std::pair<QString, QString>> KeyedLines(const QString& text) {
    std::vector<std::pair<QString, QString>> lines;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            lines.emplace_back(line.trimmed(), QString());
        else
            lines.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    return lines;
}

} // namespace

bool AppResourceText(const GlueRec* glue, ResType type, int16_t id, QString& out) {
    if (!glue)
        return false;
    MyOpenResFileClass file;
    file.SetResFile(glue->appResFile);
    Handle resource = file.GetTheResource(type, id);
    if (!resource)
        return false;
    const std::string_view bytes(reinterpret_cast<const char*>(HandleData(resource)),
                                 GetHandleSize(resource));
    // 'STR ' is a P-string; every other text resource is its bytes.
    const std::string_view text =
        type == kStringResTypeGui && !bytes.empty()
            ? bytes.substr(1, std::min<size_t>(static_cast<uint8_t>(bytes[0]), bytes.size() - 1))
            : bytes;
    std::string utf8;
    if (AppTextToUtf8(text, utf8) != TextConversionStatus::ok)
        return false;
    out = QString::fromStdString(utf8);
    return true;
}

bool LoadAlertTemplate(const GlueRec* glue, int16_t alertID, AlertTemplate& out) {
    QString text;
    if (!AppResourceText(glue, kAlertResType, alertID, text))
        return false;
    AlertTemplate alert;
    for (const auto& [key, value] : KeyedLines(text)) {
        if (key == QLatin1String("icon"))
            alert.icon = value;
        else if (key == QLatin1String("title"))
            alert.title = value;
        else if (key == QLatin1String("text"))
            alert.text = value;
        else if (key == QLatin1String("info"))
            alert.info = value;
        else if (key == QLatin1String("width"))
            alert.width = value.toInt();
        else if (key == QLatin1String("button"))
            alert.buttons << value;
    }
    if (alert.buttons.isEmpty())
        return false;
    out = alert;
    return true;
}

bool LoadMainMenu(const GlueRec* glue, std::vector<MenuTemplate>& out) {
    QString text;
    if (!AppResourceText(glue, kMenuBarResType, kMainMenuID, text))
        return false;
    std::vector<MenuTemplate> menus;
    static const QRegularExpression numbered(QStringLiteral("^(menu|item)\\s+(-?\\d+)$"));
    for (const auto& [key, value] : KeyedLines(text)) {
        if (key == QLatin1String("separator")) {
            if (menus.empty())
                return false;
            menus.back().items.push_back(MenuItemTemplate{});
            continue;
        }
        const QRegularExpressionMatch match = numbered.match(key);
        if (!match.hasMatch())
            return false;
        const auto number = static_cast<int16_t>(match.captured(2).toInt());
        if (match.captured(1) == QLatin1String("menu")) {
            menus.push_back(MenuTemplate{number, value, {}});
            continue;
        }
        if (menus.empty() || number == 0)
            return false;
        MenuItemTemplate item;
        item.command = number;
        const qsizetype bar = value.indexOf(QLatin1Char('|'));
        item.text = (bar < 0 ? value : value.left(bar)).trimmed();
        if (bar >= 0)
            item.shortcut = QKeySequence(value.mid(bar + 1).trimmed(), QKeySequence::PortableText);
        menus.back().items.push_back(item);
    }
    if (menus.empty())
        return false;
    out = std::move(menus);
    return true;
}

QString ProductName(const GlueRec* glue) {
    QString name;
    return AppResourceText(glue, kStringResTypeGui, kProductNameID, name) ? name : QString();
}

std::vector<HelpTopic> LoadHelpTopics(int16_t helpID) {
    std::vector<HelpTopic> topics;
    QFile file(HelpPath(QString::number(helpID) + QStringLiteral(".topics")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return topics;
    static const QRegularExpression line(QStringLiteral("^\\s*(\\d+)\\s+(.+?)\\s*$"));
    for (const QString& text : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch() && !text.trimmed().startsWith(QLatin1Char('#')))
            topics.push_back({static_cast<int16_t>(match.captured(1).toInt()), match.captured(2)});
    }
    return topics;
}

QString LoadHelpText(int16_t textID) {
    QFile file(HelpPath(QString::number(textID) + QStringLiteral(".html")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace orvane
