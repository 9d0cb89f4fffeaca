// TfAlign: the enhanced align window, a row of align buttons that does not
// act yet. TSpeedButtonEx is the flat glyph button it is made of.
//
// Threads: user-interface thread.
#pragma once

#include "BaseForm.h"

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QToolButton>

namespace mosvik {

// A speed button that is 28 × 28 and flat from the moment it exists.
class TSpeedButtonEx : public QToolButton {
    Q_OBJECT

public:
    explicit TSpeedButtonEx(QWidget* parent = nullptr);
    void SetGlyph(const QPixmap& glyph);
};

// Images of one size, taken by index.
class TImageList {
public:
    TImageList(int width, int height) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return images_.size(); }
    // An image of another size is scaled to the list's.
    void Add(const QPixmap& image);
    QPixmap GetBitmap(int index) const { return images_.value(index); }

private:
    int width_;
    int height_;
    QList<QPixmap> images_;
};

enum class AlignGlyph { Left, Right, HCenter, Top, Bottom, Center };
// The 24 × 24 picture of an alignment: a guide line and two bars set to it.
QPixmap drawAlignGlyph(AlignGlyph kind);

class TfAlign : public TTBaseForm {
    Q_OBJECT

public:
    TfAlign(QWidget* AOwner, com::IVGApplication* App);

    QLabel* lbl1;
    QFrame* bvl1;
    TSpeedButtonEx* spdbtnxALeft;
    TSpeedButtonEx* spdbtnxARight;
    TSpeedButtonEx* spdbtnxAHCenter;
    TSpeedButtonEx* spdbtnxATop;
    TSpeedButtonEx* spdbtnxABottom;
    TSpeedButtonEx* spdbtnxCCenter;
    TImageList il1{24, 24};

protected:
    void FormCreate() override;
};

} // namespace mosvik
