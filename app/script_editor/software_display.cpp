#include "app/script_editor/software_display.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QtGlobal>

namespace pq {

bool IsSoftwareRenderer(const QString& renderer)
{
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader",
                                            "microsoft basic render", "gdi generic"};
    for (const char* name : kSoftware)
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

bool SoftwareDisplayInUse()
{
    const QByteArray forced = qgetenv("LIBGL_ALWAYS_SOFTWARE");
    if (!forced.isEmpty() && forced != "0" && forced.compare("false", Qt::CaseInsensitive) != 0)
        return true;
#if QT_CONFIG(opengl)
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface))
        return false;
    const auto* renderer = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const bool software = renderer && IsSoftwareRenderer(QString::fromLatin1(renderer));
    context.doneCurrent();
    return software;
#else
    return false;
#endif
}

} // namespace pq
