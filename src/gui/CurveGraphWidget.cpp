#include "gui/CurveGraphWidget.h"

#include "app/NewEditHalftone.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

QColor ToQColor(RGBColor c) {
    return QColor::fromRgba64(c.red, c.green, c.blue);
}

// The pen of the classic drawing model hangs below and to the right of the point it is
// at: a line of `scale` x `scale` pen covers its end points and `scale - 1` pixels more.
void FillLine(QPainter& p, const GraphLine& line, int scale, const QColor& color) {
    const int left = std::min(line.from.h, line.to.h);
    const int top = std::min(line.from.v, line.to.v);
    const int right = std::max(line.from.h, line.to.h) + scale - 1;
    const int bottom = std::max(line.from.v, line.to.v) + scale - 1;
    p.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), color);
}

// Mouse positions far outside the window still fit the core's 16-bit coordinates.
Point ToPoint(const QPointF& at) {
    const auto clamp = [](double x) {
        return static_cast<int16_t>(std::clamp(std::lround(x), -30000L, 30000L));
    };
    return Point{clamp(at.y()), clamp(at.x())};
}

} // namespace

QImage PaintCurveGraph(const CurveGraphScene& scene, QSize devicePixels, int scale) {
    QImage image(devicePixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const Rect& bg = scene.background;
    if (bg.right > bg.left && bg.bottom > bg.top)
        p.fillRect(QRect(bg.left, bg.top, bg.right - bg.left, bg.bottom - bg.top),
                   ToQColor(scene.backgroundColor));
    const QColor grid = ToQColor(scene.gridColor);
    for (const GraphLine& line : scene.grid)
        FillLine(p, line, scale, grid);
    if (!scene.valid)
        return image;
    // The half-pixel offset puts an aliased line of odd width on the pixels its end
    // points name, as the hanging pen does.
    const double shift = (scale - 1) / 2.0 + 0.5;
    for (int c = 0; c < scene.curveCount; ++c) {
        const CurveGraphScene::Curve& curve = scene.curves[static_cast<size_t>(c)];
        p.setPen(QPen(ToQColor(curve.color), scale, Qt::SolidLine, Qt::SquareCap));
        QPointF points[kGraphSampleCount];
        for (int x = 0; x < kGraphSampleCount; ++x) {
            const Point at = curve.pixels[static_cast<size_t>(x)];
            points[x] = QPointF(at.h + shift, at.v + shift);
        }
        p.drawPolyline(points, kGraphSampleCount);
    }
    const int dot = 3 * scale;
    for (int k = 0; k < scene.dots.count; ++k) {
        const Point at = scene.dots.centre[static_cast<size_t>(k)];
        p.fillRect(QRect(at.h - dot / 2, at.v - dot / 2, dot, dot), Qt::black);
        if (k == scene.selectedDot) {
            p.setPen(QPen(Qt::black, scale, Qt::SolidLine, Qt::SquareCap));
            p.setBrush(Qt::NoBrush);
            const int ring = dot + 4 * scale;
            p.drawRect(QRectF(at.h - ring / 2 + shift, at.v - ring / 2 + shift, ring - scale,
                              ring - scale));
        }
    }
    return image;
}

CurveGraphWidget::CurveGraphWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveGraphWidget::SetEditor(NewEditHalftoneDialog* editor) {
    editor_ = editor;
    Refresh();
}

Rect CurveGraphWidget::GraphBox() const {
    return Rect{0, 0, static_cast<int16_t>(std::min(height(), 30000)),
                static_cast<int16_t>(std::min(width(), 30000))};
}

void CurveGraphWidget::Refresh() {
    const qreal ratio = devicePixelRatioF();
    const int scale = std::max(1, static_cast<int>(std::lround(ratio)));
    const QSize device(static_cast<int>(std::lround(width() * ratio)),
                       static_cast<int>(std::lround(height() * ratio)));
    CurveGraphScene scene;
    if (editor_ && editor_->IsOpen()) {
        const Rect box{0, 0, static_cast<int16_t>(std::min(device.height(), 30000)),
                       static_cast<int16_t>(std::min(device.width(), 30000))};
        scene = editor_->GraphScene(box);
        if (!hasFocus())
            scene.selectedDot = -1;
    }
    picture_ = PaintCurveGraph(scene, device, scale);
    picture_.setDevicePixelRatio(ratio);
    update();
}

bool CurveGraphWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const std::string tip = editor_ ? editor_->GraphPointTip(ToPoint(help->pos())) : "";
        if (tip.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString::fromStdString(tip), this);
        return true;
    }
    return QWidget::event(event);
}

void CurveGraphWidget::paintEvent(QPaintEvent*) {
    // Moved to a screen of another scale: the picture is painted again for its pixels.
    if (picture_.devicePixelRatio() != devicePixelRatioF())
        Refresh();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), picture_);
}

void CurveGraphWidget::resizeEvent(QResizeEvent*) {
    if (editor_ && editor_->IsOpen())
        editor_->SetGraphBox(GraphBox()); // redraws through the core
    else
        Refresh();
}

void CurveGraphWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !editor_)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    QToolTip::hideText();
    editor_->GraphMouseDown(ToPoint(event->position()));
}

void CurveGraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (editor_ && editor_->IsDragging()) {
        editor_->GraphMouseMoved(ToPoint(event->position()));
        repaint(); // the drag shows every step
    }
}

void CurveGraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && editor_)
        editor_->GraphMouseUp(ToPoint(event->position()));
}

void CurveGraphWidget::keyPressEvent(QKeyEvent* event) {
    if (!editor_ || editor_->IsDragging())
        return QWidget::keyPressEvent(event);
    const int32_t step = event->modifiers() & Qt::ShiftModifier ? 10 : 100;
    switch (event->key()) {
    case Qt::Key_Left:
        editor_->SelectNextGraphPoint(-1);
        break;
    case Qt::Key_Right:
        editor_->SelectNextGraphPoint(+1);
        break;
    case Qt::Key_Up:
        editor_->NudgeSelectedGraphPoint(step);
        break;
    case Qt::Key_Down:
        editor_->NudgeSelectedGraphPoint(-step);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    Refresh();
}

void CurveGraphWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    Refresh(); // the selected point's ring shows while the graph has the keys
}

void CurveGraphWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Refresh();
}

} // namespace orvane
