// The curve editor's graph (item 6): paints the editor core's graph scene into a picture
// at the screen's device resolution whenever the core reports a change, and hands the
// mouse and the arrow keys to the core. The graph's box is the widget's own rectangle in
// its own coordinates, so mouse positions go to the core unchanged.
#pragma once

#include "tone/CurveGraph.h"

#include <QImage>
#include <QWidget>

namespace orvane {

class NewEditHalftoneDialog;

// The scene in device pixels: `scale` whole device pixels per logical pixel widen the
// lines and dots, so that at 200 % they keep the weight they have at 100 %. At scale 1
// every pixel is the one the graph's geometry names: the grid and frame lines, the curves
// joined by aliased lines, and the 3 x 3 dots. Pixels outside the frame are white.
QImage PaintCurveGraph(const CurveGraphScene& scene, QSize devicePixels, int scale = 1);

class CurveGraphWidget final : public QWidget {
    Q_OBJECT

public:
    explicit CurveGraphWidget(QWidget* parent = nullptr);

    // The editor whose graph this is (null: nothing is drawn). It must outlive the widget
    // or be detached first.
    void SetEditor(NewEditHalftoneDialog* editor);
    // The graph's box in the widget's coordinates, as the core measures it.
    Rect GraphBox() const;
    // Paints the picture again from the core's scene, at once.
    void Refresh();
    // The last picture, in device pixels (its device pixel ratio set).
    const QImage& Picture() const { return picture_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    NewEditHalftoneDialog* editor_ = nullptr;
    QImage picture_;
};

} // namespace orvane
