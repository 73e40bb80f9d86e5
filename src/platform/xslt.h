#pragma once
#include <QByteArray>
#include <QString>

// An XSLT stylesheet applied by the program itself (libxslt), for pages that a browser without
// XSLT must still show.
namespace platform {

struct XsltPage {
    QByteArray output; // the page, in the output encoding the stylesheet declares
    QString error;     // why there is no page; empty when it was rendered
    bool ok() const { return error.isEmpty(); }
};

// Applies the stylesheet file at stylesheetPath to the XML document xml. Neither document may
// reach beyond itself: no DTD, external entity, file or network address is loaded, and the
// stylesheet may not read or write files; a refusal is the error ("<address> may not be read").
// The libraries' messages go into error, never to the terminal.
XsltPage renderXslt(const QByteArray& xml, const QString& stylesheetPath);

} // namespace platform
