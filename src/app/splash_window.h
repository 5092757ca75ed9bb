#pragma once

#include <QWidget>

class QLabel;

namespace corvane {

// frmSplash: shown while the main window loads its data.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Label1's text, exactly as the user sees it.
    static QString labelText();

private:
    QLabel* m_image;
    QLabel* m_label;
};

} // namespace corvane
