#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QObject;
class QWidget;

namespace pq {

// The translation dictionary. Texts are written in English in the code;
// the English text is the key of its translation. UI thread only.

// The current interface language code, "en" until another is applied.
QString GetCurrentLanguage();
// Sets the code only; the caller rebuilds the dictionary.
void SetCurrentLanguage(const QString& code);

// The current language's text for an English key; the key itself when the
// language is "en" or the key has no entry. Never fails.
QString Translate(const QString& key);

void ClearTranslations();
// Pairs line i of the English list with line i of the target list, up to
// the shorter list; pairs with an empty side are skipped.
void BuildTranslations(const QStringList& englishLines, const QStringList& targetLines);
// The texts that are not in the language lists (OffListTexts), for every
// language but English.
void AddBuiltInTranslations(const QString& code);
// Number of entries in the dictionary.
int TranslationCount();

// Captions and hints of the controls below root: the English texts are
// recorded at the first pass and replaced by their translations. A caption
// that code changed since the last pass to a new English text becomes the
// new record. Does nothing while the dictionary is empty. Windows below
// root are left to their own calls.
void TranslateComponent(QObject* root);
// Gives the controls below root their recorded English texts back.
void RevertComponent(QObject* root);
// Drops the records of root and the controls below it. Records of objects
// that are destroyed go by themselves.
void ForgetComponent(QObject* root);

// Shrinks the font of every text control below root whose caption does not
// fit it any more, in steps of 0.5 down to 9; fits start again from the
// size the control had before its first fit.
void AutoFitTexts(QObject* root);
void AutoFitControlText(QWidget* control);

// Whether text laid out in font fits maxWidth (+1) and, with word wrap,
// maxHeight. Sizes in logical units.
bool TextFits(const QString& text, const QFont& font, qreal maxWidth, qreal maxHeight, bool wordWrap);

// The caption of a label, button, check box, expander or list item; empty
// for other objects.
QString GetComponentText(const QObject* component);
void SetComponentText(QObject* component, const QString& text);

} // namespace pq
