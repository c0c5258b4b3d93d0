#pragma once

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>

namespace platform {

// Positions and sizes are designed in twips: 15 twips make one pixel.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// The classic 16-colour palette numbers the program sets at run time.
enum QbColor { QbBlack = 0, QbLightRed = 12 };
QColor qbColor(int number);

inline const QColor LightGrey(192, 192, 192);

// Text colour of any label, button or option.
void setForeColor(QWidget* widget, const QColor& color);
QColor foreColor(const QWidget* widget);

// A fixed font by its classic name and point size.
QFont classicFont(const QString& family, double points, bool bold = false, bool italic = false,
                  bool underline = false);

// Light grey raised panel with an optional caption, centred in the panel or
// at its top. Its accessible name follows the caption. It raises clicked().
class SSPanel : public QFrame {
    Q_OBJECT
public:
    explicit SSPanel(QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    void setCaptionAtTop(bool top);
    void setCaptionFont(const QFont& font);
    void setCaptionColor(const QColor& color);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    bool m_atTop = false;
    QFont m_font;
    QColor m_color;
    bool m_ownFont = false;
};

// A 3-D command button: a push button.
class SSCommand : public QPushButton {
    Q_OBJECT
public:
    explicit SSCommand(const QString& caption, QWidget* parent = nullptr);
};

// A 3-D option button. Its handler runs on the user's click only
// (QAbstractButton::clicked); setValue, used by the program, never runs it and
// can also release the chosen option of an exclusive pair.
class SSOption : public QRadioButton {
    Q_OBJECT
public:
    explicit SSOption(const QString& caption, QWidget* parent = nullptr);
    bool value() const { return isChecked(); }
    void setValue(bool chosen);
};

// Static plain text that raises clicked(). Never read as markup.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& caption = {}, QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace platform
