// The program's message boxes: themed with or without a parent, sized for
// the interface, Yes/No defaulting to No.
#include "ui/interface_scale.h"
#include "ui/message_box.h"
#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QRgb BackgroundOf(QMessageBox& box)
{
    box.show();
    QApplication::processEvents();
    return box.grab().toImage().pixel(3, box.height() / 2) | 0xFF000000u;
}

TEST(MessageBox, FollowsTheThemeWithoutAParent)
{
    const pq::ThemeMode saved = pq::gThemeMode;
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        pq::gThemeMode = mode;
        auto box = pq::MakeMessageBox(nullptr, QStringLiteral("Parameters saved successfully!"), false);
        EXPECT_EQ(BackgroundOf(*box), pq::CurrentPalette().raised.rgb()) << int(mode);
    }
    pq::gThemeMode = saved;
}

TEST(MessageBox, SizedForTheInterfaceAndMarksItsButtons)
{
    const double saved = pq::InterfaceScale();
    for (const double scale : {1.0, 1.5}) {
        pq::SetInterfaceScale(scale);
        auto box = pq::MakeMessageBox(nullptr, QStringLiteral("No printer is installed."), false);
        box->show();
        QApplication::processEvents();
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_GE(label->width(), pq::Units(pq::kMessageBoxWidth)) << scale;
        EXPECT_EQ(label->font().pixelSize(), pq::Units(15)) << scale;
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->property("role").toString(), QStringLiteral("primary"));
        EXPECT_GE(ok->height(), pq::Units(32)) << scale;
    }
    pq::SetInterfaceScale(saved);
}

TEST(MessageBox, AQuestionDefaultsToNo)
{
    auto box = pq::MakeMessageBox(nullptr, QStringLiteral("Replace it?"), true);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->button(QMessageBox::Yes)->property("role").toString(), QStringLiteral("primary"));
    EXPECT_EQ(box->button(QMessageBox::No)->property("role").toString(), QStringLiteral("ghost"));
}

} // namespace
