#include "platform/pagerender.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <memory>

namespace platform {

namespace {

// Characters of a failure's reason taken from the renderer.
constexpr int kReasonLimit = 500;

XsltPage failed(const QString& reason) {
    return {{}, reason};
}

// The page renderer the program runs: the one beside the program, else the one the build made.
QString pageRendererProgram() {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/") + QLatin1String(kPageRendererName);
    if (QFileInfo(beside).isExecutable()) return beside;
    return QStringLiteral(CORVISENT_PAGE_RENDERER);
}

} // namespace

rt::Task<XsltPage> renderXsltApart(QByteArray xml, QString stylesheetPath) {
    const auto process = std::make_unique<QProcess>();
    QProcess* p = process.get();
    p->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(p, &QProcess::started, p, [p, xml] {
        p->write(xml);
        p->closeWriteChannel();
    });
    const QString program = pageRendererProgram();
    p->start(program, {stylesheetPath});
    const bool done = co_await EndedWithin(p, kRenderWaitMs);
    if (!done)
        co_return failed(rt::QuitRequested() ? QStringLiteral("the program is ending")
                                             : QStringLiteral("the stylesheet took too long"));
    if (p->error() == QProcess::FailedToStart)
        co_return failed(QStringLiteral("the page renderer %1 cannot be started").arg(program));
    if (p->exitStatus() != QProcess::NormalExit)
        co_return failed(QStringLiteral("the page renderer stopped"));
    const QByteArray out = p->readAllStandardOutput();
    switch (p->exitCode()) {
    case RenderOk:
        co_return XsltPage{out, {}};
    case RenderOutOfTime:
        co_return failed(QStringLiteral("the stylesheet took too long"));
    case RenderOutOfMemory:
        co_return failed(QStringLiteral("the stylesheet needed too much memory"));
    case RenderFailed:
        if (!out.isEmpty()) co_return failed(QString::fromUtf8(out.left(kReasonLimit)));
        break;
    default:
        break;
    }
    co_return failed(QStringLiteral("the page renderer failed (exit code %1)").arg(p->exitCode()));
}

} // namespace platform
