#pragma once
#include <QByteArray>
#include <QString>
#include <cstddef>

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
// The libraries' messages go into error, never to the terminal. Nothing bounds its time: the
// program renders through the page renderer (platform/pagerender.h), which runs this apart.
XsltPage renderXslt(const QByteArray& xml, const QString& stylesheetPath);

// ---- The page renderer, a program of its own beside the program (pagerender_main.cpp).
inline constexpr char kPageRendererName[] = "cvrender";
// Its bounds: processor seconds, and bytes the libraries may hold at once; a status page
// takes a small part of either.
inline constexpr int kRenderCpuSeconds = 3;
inline constexpr std::size_t kRenderMemoryBytes = std::size_t(64) << 20;
// Its exit codes. With RenderOk the page is on its standard output, with RenderFailed the reason.
enum RenderExit : int {
    RenderOk = 0,
    RenderFailed = 1,
    RenderUsage = 2,
    RenderOutOfMemory = 3,
    RenderOutOfTime = 4
};

} // namespace platform
