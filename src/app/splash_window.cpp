#include "app/splash_window.h"

#include "base/command_line.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

namespace corvane {

namespace {

// Our own picture: a dark field with a stylised firewall and the name, drawn
// once at start-up so no image file has to ship beside the program.
QPixmap splashPicture()
{
    QPixmap picture(420, 220);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, picture.height());
    sky.setColorAt(0, QColor(16, 38, 64));
    sky.setColorAt(1, QColor(32, 86, 120));
    painter.fillRect(picture.rect(), sky);

    // A wall of bricks with packets passing over it.
    painter.setPen(QPen(QColor(20, 20, 20), 2));
    const int brickW = 40;
    const int brickH = 18;
    for (int row = 0; row < 4; ++row) {
        const int offset = (row % 2) * brickW / 2;
        for (int x = -brickW; x < picture.width(); x += brickW) {
            QRect brick(x + offset, 140 + row * brickH, brickW, brickH);
            painter.fillRect(brick, QColor(170, 60, 40));
            painter.drawRect(brick);
        }
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 220, 140));
    for (int i = 0; i < 7; ++i)
        painter.drawEllipse(QPointF(40 + i * 55, 118 - (i % 3) * 14), 6, 6);

    QFont title(QStringLiteral("Verdana"), 30, QFont::Bold);
    painter.setFont(title);
    painter.setPen(QColor(235, 240, 245));
    painter.drawText(QRect(0, 20, picture.width(), 60), Qt::AlignCenter, QStringLiteral("Corvane"));
    return picture;
}

} // namespace

QString SplashWindow::labelText()
{
    return QStringLiteral(" Corvane (Beta) Version ") + QLatin1String(Version) + QString(23, QLatin1Char(' '))
        + QStringLiteral("Loading Database... ");
}

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_image(new QLabel(this))
    , m_label(new QLabel(labelText(), this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString());
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setPixmap(splashPicture());
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setFont(QFont(QStringLiteral("Verdana"), 9));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(m_image);
    layout->addWidget(m_label);
}

} // namespace corvane
