#pragma once

// The venue file ("*.hzv"): the mixers of one site, each with its link and its settings file, as
// UTF-8 JSON. The desktop program's Venue window and hzmctl --venue share it.
//
//   {
//     "format": "hzm-venue",
//     "format_version": 1,
//     "name": "Grand Hotel",
//     "mixers": [
//       {"name": "Lobby", "link": "tcp:192.168.1.10:4999", "settings": "lobby.hzc"},
//       {"name": "Bar", "link": "serial:/dev/ttyUSB0@9600", "settings": "settings/bar.hzc"}
//     ]
//   }
//
// "link" is a link in LinkSelection's text form; "settings" a path relative to the venue file's
// folder (or an absolute one). Keys this version does not know are kept, at both levels, when the
// file is written again.

#include <QJsonObject>
#include <QList>
#include <QString>

namespace hzm {

inline constexpr int kVenueFormatVersion = 1;
// Largest file taken for a venue file: 200 mixers need about 20 kB.
inline constexpr int kMaxVenueFileBytes = 4 * 1024 * 1024;

struct VenueMixer {
    QString name;          // unique in its venue ("Lobby")
    QString link;          // "tcp:HOST[:PORT]" or "serial:DEVICE[@BAUD]" (LinkSelection::fromText)
    QString settings;      // as stored: relative to the venue file's folder
    QJsonObject otherKeys; // the keys of its entry this version does not know
};

struct Venue {
    QString name;
    QList<VenueMixer> mixers;
    QJsonObject otherKeys; // the top-level keys this version does not know
};

// Reads a venue file. False with error set (naming the file and, where it lies there, the mixer)
// when it cannot be read, is no JSON or no venue file, is of a newer format_version, or a mixer
// lacks its name, link or settings file, shares its name with another, or its link is no link (a
// host name is not looked up). venue is untouched then.
bool readVenueFile(const QString &path, Venue &venue, QString &error);

// Writes a venue file through a temporary file that replaces path only once it is complete. False
// with error set when it cannot be written; an earlier file at path stays as it was.
bool writeVenueFile(const QString &path, const Venue &venue, QString &error);

// The bytes writeVenueFile writes: one mixer a line, the known keys first.
QByteArray venueFileBytes(const Venue &venue);

// Where mixer's settings file lies: its path taken from the folder of the venue file at venuePath.
QString venueSettingsPath(const QString &venuePath, const VenueMixer &mixer);

} // namespace hzm
