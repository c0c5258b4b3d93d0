#include "platform/controls.h"

#include <QMouseEvent>
#include <QPainter>

namespace platform {

QColor qbColor(int number)
{
    // clang-format off
    static const QColor palette[16] = {
        {0, 0, 0},       {0, 0, 128},     {0, 128, 0},     {0, 128, 128},
        {128, 0, 0},     {128, 0, 128},   {128, 128, 0},   {192, 192, 192},
        {128, 128, 128}, {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
        {255, 0, 0},     {255, 0, 255},   {255, 255, 0},   {255, 255, 255}};
    // clang-format on
    return palette[number & 15];
}

void setForeColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QColor foreColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

QFont classicFont(const QString& family, double points, bool bold, bool italic, bool underline)
{
    // The classic fonts resolve to their metric-compatible Liberation faces.
    static const bool substitutes = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        return true;
    }();
    Q_UNUSED(substitutes);
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

SSPanel::SSPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, LightGrey);
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
    m_color = palette.color(QPalette::ButtonText);
}

void SSPanel::setCaption(const QString& caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void SSPanel::setCaptionAtTop(bool top)
{
    m_atTop = top;
    update();
}

void SSPanel::setCaptionFont(const QFont& font)
{
    m_font = font;
    m_ownFont = true;
    update();
}

void SSPanel::setCaptionColor(const QColor& color)
{
    m_color = color;
    update();
}

void SSPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_caption.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(m_ownFont ? m_font : font());
    painter.setPen(m_color);
    const QRect area = contentsRect().adjusted(2, 1, -2, -1);
    const int flags = Qt::AlignHCenter | (m_atTop ? Qt::AlignTop : Qt::AlignVCenter);
    painter.drawText(area, flags | Qt::TextSingleLine, m_caption);
}

void SSPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QFrame::mouseReleaseEvent(event);
}

SSCommand::SSCommand(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

SSOption::SSOption(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {}

void SSOption::setValue(bool chosen)
{
    if (chosen || !isChecked()) {
        setChecked(chosen);
        return;
    }
    // An exclusive option cannot be released by itself: lift the exclusion
    // for the moment of the change.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
}

Label::Label(const QString& caption, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(caption);
}

void Label::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace platform
