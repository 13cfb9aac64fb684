#pragma once

#include <QString>
#include <QStringView>

// Which characters a file name may hold. FAT, exFAT and NTFS disks (a USB stick,
// a Windows partition) refuse some that every other file system takes; the
// standard rule keeps them, since names already stored depend on it.
enum class NameRules { standard, windowsDisk };

// A file-name-safe, non-empty name of at most 160 UTF-8 bytes made from `text`.
QString safeName(const QString& text, NameRules rules = NameRules::standard);
// A duration as "m:ss" or "h:mm:ss"; "Por confirmar" when unknown.
QString timeString(double seconds);
// A file size in decimal units, in the user's locale.
QString bytesString(qint64 bytes);

// User-perceived characters (grapheme clusters): the unit of every text bound.
qsizetype graphemeCount(const QString& text);
QString graphemePrefix(const QString& text, qsizetype count);

// Whether `text` holds a control or format character (Unicode Cc or Cf) or a
// lone surrogate, which no well-formed text from outside carries.
bool containsControl(QStringView text);
// `text` with each such character replaced by one space.
QString replacingControls(QStringView text);
