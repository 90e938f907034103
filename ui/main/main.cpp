// W.X.Hollin, the window program.
#include <QApplication>
#include <QFont>

#include "ui/language/Language.h"
#include "ui/main/frmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wx-hollin"));
    QApplication::setOrganizationName(QStringLiteral("WXHollin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wxhollin.WXHollin"));
    // The user's language, before any window is made.
    wxh::InstallTranslators(wxh::SystemLanguage());
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSize(9);
    QApplication::setFont(font);
    frmMain* window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Centred on the screen when it opens.
    window->show();
    return app.exec();
}
