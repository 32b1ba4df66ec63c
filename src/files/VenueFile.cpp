#include "VenueFile.h"

#include "link/LinkSelection.h"
#include "link/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>

namespace hzm {

namespace {

const QString kFormat = QStringLiteral("hzm-venue");

// "line 3, column 7" of a byte offset into the file.
QString position(const QByteArray &bytes, int offset) {
    const QByteArray before = bytes.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size()) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// The keys of object other than known.
QJsonObject otherKeys(const QJsonObject &object, const QStringList &known) {
    QJsonObject others = object;
    for (const QString &key : known)
        others.remove(key);
    return others;
}

// A string member: false with why when it is missing, empty or no text.
bool text(const QJsonObject &object, const QString &key, QString &value, QString &why) {
    const QJsonValue member = object.value(key);
    if (member.isUndefined() || (member.isString() && member.toString().trimmed().isEmpty())) {
        why = QStringLiteral("it has no \"%1\"").arg(key);
        return false;
    }
    if (!member.isString()) {
        why = QStringLiteral("its \"%1\" is not text").arg(key);
        return false;
    }
    value = member.toString();
    return true;
}

std::optional<VenueMixer> readMixer(const QJsonValue &entry, int number, const QSet<QString> &names,
                                    QString &why) {
    const QString which = QStringLiteral("mixer %1").arg(number);
    if (!entry.isObject()) {
        why = QStringLiteral("%1 is not an object").arg(which);
        return std::nullopt;
    }
    const QJsonObject object = entry.toObject();
    VenueMixer mixer;
    QString problem;
    if (!text(object, QStringLiteral("name"), mixer.name, problem)) {
        why = QStringLiteral("%1: %2").arg(which, problem);
        return std::nullopt;
    }
    const QString named = QStringLiteral("%1 (\"%2\")").arg(which, mixer.name);
    if (std::any_of(mixer.name.begin(), mixer.name.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        why = QStringLiteral("%1: its name holds a control character").arg(which);
        return std::nullopt;
    }
    if (names.contains(mixer.name)) {
        why = QStringLiteral("%1: another mixer has this name already").arg(named);
        return std::nullopt;
    }
    if (!text(object, QStringLiteral("link"), mixer.link, problem) ||
        !text(object, QStringLiteral("settings"), mixer.settings, problem)) {
        why = QStringLiteral("%1: %2").arg(named, problem);
        return std::nullopt;
    }
    problem = LinkSelection::textProblem(mixer.link);
    if (!problem.isEmpty()) {
        why = QStringLiteral("%1: %2").arg(named, problem);
        return std::nullopt;
    }
    mixer.otherKeys =
        otherKeys(object, {QStringLiteral("name"), QStringLiteral("link"), QStringLiteral("settings")});
    return mixer;
}

std::optional<Venue> readVenue(const QByteArray &bytes, QString &why) {
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        why = QStringLiteral("it is no JSON (%1 at %2)")
                  .arg(parsed.errorString(), position(bytes, parsed.offset));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != kFormat) {
        why = QStringLiteral("it is no venue file (its \"format\" is not \"%1\")").arg(kFormat);
        return std::nullopt;
    }
    const QJsonValue version = root.value(QStringLiteral("format_version"));
    if (!version.isDouble() || version.toDouble() < 1 || version.toDouble() != version.toInt()) {
        why = QStringLiteral("its \"format_version\" is not a whole number from 1");
        return std::nullopt;
    }
    if (version.toInt() > kVenueFormatVersion) {
        why = QStringLiteral("it is of venue format %1, written by a newer version of this program; this "
                             "version reads format %2 only")
                  .arg(version.toInt())
                  .arg(kVenueFormatVersion);
        return std::nullopt;
    }
    Venue venue;
    const QJsonValue name = root.value(QStringLiteral("name"));
    if (!name.isUndefined() && !name.isString()) {
        why = QStringLiteral("its \"name\" is not text");
        return std::nullopt;
    }
    venue.name = name.toString();
    const QJsonValue mixers = root.value(QStringLiteral("mixers"));
    if (!mixers.isArray()) {
        why = QStringLiteral("its \"mixers\" is not a list");
        return std::nullopt;
    }
    QSet<QString> names;
    const QJsonArray list = mixers.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::optional<VenueMixer> mixer = readMixer(list.at(i), int(i) + 1, names, why);
        if (!mixer)
            return std::nullopt;
        names.insert(mixer->name);
        venue.mixers << *mixer;
    }
    venue.otherKeys = otherKeys(root, {QStringLiteral("format"), QStringLiteral("format_version"),
                                       QStringLiteral("name"), QStringLiteral("mixers")});
    return venue;
}

// One value as compact JSON text.
QByteArray compact(const QJsonValue &value) {
    const QByteArray list = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return list.mid(1, list.size() - 2);
}

// "key": value, for each member of members and then of others.
QByteArrayList memberTexts(const QList<std::pair<QString, QJsonValue>> &members, const QJsonObject &others,
                           const QByteArray &separator) {
    QByteArrayList texts;
    for (const auto &[key, value] : members)
        texts << compact(key) + separator + compact(value);
    for (auto it = others.begin(); it != others.end(); ++it)
        texts << compact(it.key()) + separator + compact(it.value());
    return texts;
}

} // namespace

bool readVenueFile(const QString &path, Venue &venue, QString &error) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        error = QStringLiteral("cannot read %1: it is a folder").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxVenueFileBytes + 1);
    if (bytes.size() > kMaxVenueFileBytes) {
        error = QStringLiteral("%1 is no venue file: it is larger than %2 MB")
                    .arg(path)
                    .arg(kMaxVenueFileBytes >> 20);
        return false;
    }
    QString why;
    const std::optional<Venue> read = readVenue(bytes, why);
    if (!read) {
        error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    venue = *read;
    return true;
}

QByteArray venueFileBytes(const Venue &venue) {
    QByteArrayList mixers;
    for (const VenueMixer &m : venue.mixers)
        mixers << "    {" +
                      memberTexts({{QStringLiteral("name"), m.name},
                                   {QStringLiteral("link"), m.link},
                                   {QStringLiteral("settings"), m.settings}},
                                  m.otherKeys, ": ")
                          .join(", ") +
                      '}';
    QByteArrayList members = memberTexts({{QStringLiteral("format"), kFormat},
                                          {QStringLiteral("format_version"), kVenueFormatVersion},
                                          {QStringLiteral("name"), venue.name}},
                                         venue.otherKeys, ": ");
    members << (mixers.isEmpty() ? QByteArray("\"mixers\": []")
                                 : "\"mixers\": [\n" + mixers.join(",\n") + "\n  ]");
    return "{\n  " + members.join(",\n  ") + "\n}\n";
}

bool writeVenueFile(const QString &path, const Venue &venue, QString &error) {
    if (QFileInfo(path).isDir()) {
        error = QStringLiteral("cannot write %1: it is a folder").arg(path);
        return false;
    }
    OutputFile file(path);
    const QByteArray bytes = venueFileBytes(venue);
    if (!file.open() || file.write(bytes.constData(), bytes.size()) != bytes.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancel();
        return false;
    }
    return true;
}

QString venueSettingsPath(const QString &venuePath, const VenueMixer &mixer) {
    return QDir::cleanPath(QFileInfo(venuePath).absoluteDir().filePath(mixer.settings));
}

} // namespace hzm
