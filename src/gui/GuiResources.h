// The window program's own resources: the alert layouts ('ALRT'), the menu bar ('MBAR'
// "MainMenu"), the product name for help titles ('STR ' -8185), all in the application's
// resource file, and the help topics and texts in the bundle's Help folder. Texts come
// back as QString; the resource file's encoding is converted here.
#pragma once

#include "core/State.h"

#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace orvane {

// An alert's layout: "key: value" lines, key one of icon (note, caution, stop), title,
// text, info, width (the least width of the texts, in em) and button (one line per button,
// item 1 first). ^0 ... ^3 in title, text and info stand for the alert's parameter texts.
struct AlertTemplate {
    QString icon;
    int width = 0;
    QString title;
    QString text;
    QString info;
    QStringList buttons;
};
bool LoadAlertTemplate(const GlueRec* glue, int16_t alertID, AlertTemplate& out);

// The menu bar: "menu ID: Title" starts a menu, "item COMMAND: Text | Shortcut" adds a
// command (the shortcut is optional, in Qt's portable form), "separator" a line.
struct MenuItemTemplate {
    int16_t command = 0; // 0: a separator
    QString text;
    QKeySequence shortcut;
};
struct MenuTemplate {
    int16_t id = 0;
    QString title;
    std::vector<MenuItemTemplate> items;
};
bool LoadMainMenu(const GlueRec* glue, std::vector<MenuTemplate>& out);

// 'STR ' -8185: what "^0" in a help window's title becomes; empty when missing.
QString ProductName(const GlueRec* glue);

// A 'Help' list: Help/<helpID>.topics in the bundle, one topic a line ("TEXTID Title");
// its texts are Help/<TEXTID>.html (Qt rich text). Empty list, or empty text, when missing.
struct HelpTopic {
    int16_t textID = 0;
    QString title;
};
std::vector<HelpTopic> LoadHelpTopics(int16_t helpID);
QString LoadHelpText(int16_t textID);

// A resource of the application's file as text (converted from the application's encoding);
// false when it is missing or does not convert.
bool AppResourceText(const GlueRec* glue, ResType type, int16_t id, QString& out);

} // namespace orvane
