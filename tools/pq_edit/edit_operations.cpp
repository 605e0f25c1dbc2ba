#include "tools/pq_edit/edit_operations.h"

#include "gfx/codec.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/frame_composition.h"
#include "workspace/text_settings.h"

#include <cmath>
#include <optional>

namespace pq {
namespace {

std::optional<int> ParseInt(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> ParseReal(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// "#AARRGGBB", unpremultiplied.
std::optional<QRgb> ParseColor(const QString& text)
{
    if (text.size() != 9 || !text.startsWith(QLatin1Char('#')))
        return std::nullopt;
    bool ok = false;
    const uint value = text.mid(1).toUInt(&ok, 16);
    return ok ? std::optional<QRgb>(value) : std::nullopt;
}

QString Outcome(EditOutcome outcome)
{
    return outcome == EditOutcome::Done ? QString() : EditOutcomeText(outcome);
}

QString RotateLeft(Document& document, const QStringList&, const EditOptions&)
{
    return Outcome(RotateDocument(document, false));
}

QString RotateRight(Document& document, const QStringList&, const EditOptions&)
{
    return Outcome(RotateDocument(document, true));
}

QString Crop(Document& document, const QStringList& arguments, const EditOptions&)
{
    int edges[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto value = ParseInt(arguments[i]);
        if (!value)
            return QStringLiteral("crop: '%1' is not a whole number").arg(arguments[i]);
        edges[i] = *value;
    }
    const auto [left, top, right, bottom] = edges;
    if (right <= left || bottom <= top)
        return EditOutcomeText(EditOutcome::EmptyArea);
    const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    return Outcome(CropDocument(document, rect));
}

QString Text(Document& document, const QStringList& arguments, const EditOptions& options)
{
    const auto x = ParseReal(arguments[0]);
    const auto y = ParseReal(arguments[1]);
    const auto size = ParseReal(arguments[2]);
    const auto color = ParseColor(arguments[3]);
    if (!x || !y)
        return QStringLiteral("text: the position must be two numbers");
    if (!size || *size <= 0 || *size > gfx::kMaxTextSize)
        return QStringLiteral("text: the size must be a number above 0 and at most %1").arg(double(gfx::kMaxTextSize));
    if (!color)
        return QStringLiteral("text: the colour must be written #AARRGGBB");
    if (arguments[4].trimmed().isEmpty())
        return QStringLiteral("text: the text is blank");
    TextSettings text;
    text.text = arguments[4];
    text.pos = QPointF(*x, *y);
    text.fontName = options.font;
    text.fontSize = float(*size);
    text.style = FontStyleFor(options.bold, options.italic);
    text.color = *color;
    text.shadow = options.shadow;
    return Outcome(CommitTextToDocument(document, text));
}

// The frame panel's margin range.
constexpr int kMaxFrameMargin = 2500;

// As the frame panel's Apply: both images framed, one history step.
QString Frame(Document& document, const QStringList& arguments, const EditOptions&)
{
    const auto margin = ParseInt(arguments[1]);
    const auto color = ParseColor(arguments[2]);
    if (!margin || *margin < 0 || *margin > kMaxFrameMargin)
        return QStringLiteral("frame: the margin must be a whole number from 0 to %1").arg(kMaxFrameMargin);
    if (!color)
        return QStringLiteral("frame: the colour must be written #AARRGGBB");
    QString error;
    const gfx::Image frame = gfx::DecodeFile(arguments[0], &error);
    if (frame.isNull())
        return QStringLiteral("frame: cannot read '%1': %2").arg(arguments[0], error);
    if (document.isEffectRunning())
        return EditOutcomeText(EditOutcome::Busy);
    const FramedDocument framed =
        FrameDocumentImages(document.resultImage, document.sourceImage, frame, *margin, *color);
    if (!framed.ok())
        return QStringLiteral("frame: refused, the frame has no opening at its centre");
    document.resultImage = framed.result;
    document.sourceImage = framed.source;
    document.history->save(document.resultImage, document.sourceImage);
    return {};
}

QString Unchanged(Document&, const QStringList&, const EditOptions&)
{
    return {};
}

} // namespace

const std::vector<EditOperation>& EditOperations()
{
    static const std::vector<EditOperation> operations = {
        {"rotate-left", 0, "rotate-left", RotateLeft},
        {"rotate-right", 0, "rotate-right", RotateRight},
        {"crop", 4, "crop L T R B", Crop},
        {"text", 5, "text X Y SIZE COLOR STRING", Text},
        {"frame", 3, "frame FRAMEFILE MARGIN COLOR", Frame},
        {"print", 0, "print", Unchanged, PrintToPdf},
    };
    return operations;
}

const EditOperation* FindEditOperation(const QString& name)
{
    for (const EditOperation& operation : EditOperations())
        if (name == QLatin1String(operation.name))
            return &operation;
    return nullptr;
}

} // namespace pq
