#include "AlignForm.h"

#include <QPainter>

namespace mosvik {

namespace {
constexpr int GlyphSide = 24;

QColor guideColour() {
    return QColor(0xC0, 0x20, 0x20);
}
QColor barColour() {
    return QColor(0x30, 0x60, 0xB0);
}
} // namespace

TSpeedButtonEx::TSpeedButtonEx(QWidget* parent) : QToolButton(parent) {
    setFixedSize(28, 28);
    setAutoRaise(true);
    setIconSize(QSize(GlyphSide, GlyphSide));
    setFocusPolicy(Qt::NoFocus);
}

void TSpeedButtonEx::SetGlyph(const QPixmap& glyph) {
    setIcon(QIcon(glyph));
}

void TImageList::Add(const QPixmap& image) {
    if (image.size() == QSize(width_, height_))
        images_.append(image);
    else
        images_.append(
            image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QPixmap drawAlignGlyph(AlignGlyph kind) {
    QPixmap glyph(GlyphSide, GlyphSide);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    // Bars of unequal length show which edge or centre they share.
    const int longBar = 16;
    const int shortBar = 10;
    const int thick = 5;
    auto horizontalBars = [&](int leftLong, int leftShort) {
        p.fillRect(leftLong, 5, longBar, thick, barColour());
        p.fillRect(leftShort, 14, shortBar, thick, barColour());
    };
    auto verticalBars = [&](int topLong, int topShort) {
        p.fillRect(5, topLong, thick, longBar, barColour());
        p.fillRect(14, topShort, thick, shortBar, barColour());
    };
    switch (kind) {
    case AlignGlyph::Left:
        horizontalBars(4, 4);
        p.fillRect(2, 2, 2, 20, guideColour());
        break;
    case AlignGlyph::Right:
        horizontalBars(20 - longBar, 20 - shortBar);
        p.fillRect(20, 2, 2, 20, guideColour());
        break;
    case AlignGlyph::HCenter:
        horizontalBars(12 - longBar / 2, 12 - shortBar / 2);
        p.fillRect(11, 2, 2, 20, guideColour());
        break;
    case AlignGlyph::Top:
        verticalBars(4, 4);
        p.fillRect(2, 2, 20, 2, guideColour());
        break;
    case AlignGlyph::Bottom:
        verticalBars(20 - longBar, 20 - shortBar);
        p.fillRect(2, 20, 20, 2, guideColour());
        break;
    case AlignGlyph::Center:
        p.fillRect(4, 4, 16, 16, barColour().lighter(160));
        p.fillRect(8, 8, 8, 8, barColour());
        p.fillRect(11, 1, 2, 22, guideColour());
        p.fillRect(1, 11, 22, 2, guideColour());
        break;
    }
    return glyph;
}

TfAlign::TfAlign(QWidget* AOwner, com::IVGApplication* App) : TTBaseForm(AOwner, App) {
    setObjectName(QStringLiteral("fAlign"));
    setWindowTitle(QStringLiteral("增强对齐"));
    SetClientSize(473, 40);
    // Hints show even while the host window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    lbl1 = new QLabel(QStringLiteral("对齐"), this);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setGeometry(8, 6, 28, 28);
    lbl1->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);

    bvl1 = new QFrame(this);
    bvl1->setObjectName(QStringLiteral("bvl1"));
    bvl1->setFrameShape(QFrame::VLine);
    bvl1->setFrameShadow(QFrame::Sunken);
    bvl1->setGeometry(38, 4, 4, 32);

    TSpeedButtonEx** const buttons[] = {&spdbtnxALeft, &spdbtnxARight,  &spdbtnxAHCenter,
                                        &spdbtnxATop,  &spdbtnxABottom, &spdbtnxCCenter};
    const char* const names[] = {"spdbtnxALeft", "spdbtnxARight",  "spdbtnxAHCenter",
                                 "spdbtnxATop",  "spdbtnxABottom", "spdbtnxCCenter"};
    int left = 46;
    for (int i = 0; i < 6; ++i) {
        auto* button = new TSpeedButtonEx(this);
        button->setObjectName(QLatin1String(names[i]));
        button->move(left, 6);
        left += 30;
        *buttons[i] = button;
    }

    for (AlignGlyph kind : {AlignGlyph::Left, AlignGlyph::Right, AlignGlyph::HCenter,
                            AlignGlyph::Top, AlignGlyph::Bottom, AlignGlyph::Center})
        il1.Add(drawAlignGlyph(kind));
}

void TfAlign::FormCreate() {
    spdbtnxALeft->SetGlyph(il1.GetBitmap(0));
    spdbtnxARight->SetGlyph(il1.GetBitmap(1));
    spdbtnxAHCenter->SetGlyph(il1.GetBitmap(2));
}

} // namespace mosvik
