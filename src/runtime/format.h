#pragma once
#include <QDateTime>
#include <QString>

// The date and time texts the program writes on screen, in logs and in file names. The system
// forms are fixed to the United States forms the program was made for, whatever the locale.
namespace rt {

// "hh:mm:ssAM/PM": 12-hour clock, two figures each, marker without a blank ("04:08:02PM").
QString formatTime12(const QDateTime& t);
// "mm-dd-yyyy": "03-07-2009".
QString formatDateMDY(const QDateTime& t);
// "hh:mm AM/PM": 12-hour hours and minutes, a blank, the marker ("04:08 PM").
QString formatTimeHM(const QDateTime& t);
// The system short date "M/d/yyyy": "3/7/2009".
QString shortDate(const QDateTime& t);
// The system (long) time "h:mm:ss AM/PM": "4:08:02 PM".
QString longTime(const QDateTime& t);

// The same on the program clock's current date and time.
QString DateText(); // shortDate of now
QString TimeText(); // longTime of now

} // namespace rt
