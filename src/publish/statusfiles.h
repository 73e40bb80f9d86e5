#pragma once
#include <QString>

// The published status: the rotating status files "cvman0.xml" .. "cvman9.xml", shown in a
// browser through the stylesheet "cvman.xsl", and the history index page "index.html" that
// links to all ten. Both are written from what the main window shows at that moment.

// Path on the web server that the index page's links start with; the remote directory follows it
// as typed, with runs of slashes between them folded into one.
inline constexpr const char* HtmlLinkBase = "/";

// Advances the rotation index iXMLIndex and writes the status file of the new number: in the
// local directory of the remote monitoring window when that mode is on (an empty box becomes
// the home folder), else in the program folder. False when the file could not be written; the
// failure is then logged in the FTP message list and the file must not be published.
bool BuildXMLFile();
// Full path of status file k as BuildXMLFile writes it now.
QString XmlFilePath(int k);
// The folder the status files go to now (see BuildXMLFile).
QString XmlDirectory();
// A folder and a file name joined; a folder text ending in a separator gets no second one.
QString JoinPath(const QString& dir, const QString& name);

// Writes "index.html" in the program folder. False when it could not be written (logged as above).
bool BuildIndexHtml();
QString IndexHtmlPath();

// The local directory offered when none is set: the user's home folder.
QString DefaultXmlDirectory();

// Text for an element of a status file: "&", "<" and ">" as entities, characters outside
// ISO-8859-1 as numeric references, control characters as blanks.
QString XmlText(const QString& text);
