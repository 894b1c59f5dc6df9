#pragma once
#include <QString>
#include <array>

// The five preset sites: personal folders on the hosting portal. Command5, Command6
// and Command9 show "Sito " and the short name; Command7 and Command8 the short name alone.
struct PresetSite {
    const char* button;    // the button's name in the window
    QString caption;
    QString address;       // put into the address box as it stands
};

inline const std::array<PresetSite, 5> kPresetSites = {{
    {"Command5", QStringLiteral("Sito Archeo"), QStringLiteral("http://www.digiland.example/archeoroma/index.htm")},
    {"Command6", QStringLiteral("Sito Vela"), QStringLiteral("http://www.digiland.example/velaligure/index.htm")},
    {"Command7", QStringLiteral("Ricette"), QStringLiteral("http://www.digiland.example/ricettenonna/index.htm")},
    {"Command8", QStringLiteral("Bonsai"), QStringLiteral("http://www.digiland.example/bonsaiclub/index.htm")},
    {"Command9", QStringLiteral("Sito Fossili"), QStringLiteral("http://www.digiland.example/fossilimarche/index.htm")},
}};
