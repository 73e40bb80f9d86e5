#pragma once
#include <QByteArray>
#include <QString>

#include "platform/xslt.h"
#include "runtime/task.h"

namespace platform {

// renderXslt carried out by the page renderer, a small program of its own (see
// pagerender_main.cpp), so that no stylesheet can hold up the program or exhaust its memory. The
// caller's sequence is suspended meanwhile; the program goes on. A render that runs over the
// renderer's bounds, or over kRenderWaitMs of real time, is stopped: there is no page then, and
// the error gives the reason ("the stylesheet took too long", "the stylesheet needed too much
// memory"), as it gives the reason of any other failure.
rt::Task<XsltPage> renderXsltApart(QByteArray xml, QString stylesheetPath);

// Real milliseconds a render may take, whatever the speed of the program clock: the renderer
// keeps its own pace.
inline constexpr int kRenderWaitMs = 5000;

} // namespace platform
