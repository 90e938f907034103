#include "ui/dialogs/frmAbout.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/version.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

const QString frmAbout::kWebAddress = QStringLiteral("https://wxhollin.example.org/");

QString frmAbout::JapaneseUiFamily() {
    const QString ms = QStringLiteral("ＭＳ Ｐゴシック");
    if (QFontDatabase::hasFamily(ms)) return ms;
    return QStringLiteral("IPAPGothic");
}

frmAbout::frmAbout(const QPixmap& image1Picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      picture_(image1Picture) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("ﾊﾞｰｼﾞｮﾝ情報"));
    setFixedSize(Tw(5640), Tw(2700));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(TwRect(240, 240, 1605, 1905));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setAccessibleName(tr("W.X.Hollinの絵"));

    lblTitle = new QLabel(QStringLiteral("W.X.Hollin"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(TwRect(2040, 240, 3480, 660));
    QFont titleFont(JapaneseUiFamily(), 24);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(tr("ﾊﾞｰｼﾞｮﾝ"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(TwRect(2040, 960, 3480, 360));
    QFont versionFont(JapaneseUiFamily(), 12);
    versionFont.setItalic(true);
    lblVersion->setFont(versionFont);

    Label1 = new QLabel(tr("Developed by TOBARI"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(TwRect(2040, 1440, 3480, 255));

    Text1 = new QLineEdit(kWebAddress, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(TwRect(2040, 1800, 3480, 285));
    Text1->setReadOnly(true);   // there to be copied, not edited
    Text1->setAccessibleName(tr("ホームページ"));

    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(TwRect(4200, 2220, 1320, 375));
    CmdOK->setDefault(true);

    setTabOrder(CmdOK, Text1);
    CmdOK->setFocus();
    connect(CmdOK, &QPushButton::clicked, this, &frmAbout::CmdOK_Click);

    Form_Load();
}

void frmAbout::Form_Load() {
    if (!picture_.isNull())
        picIcon->setPixmap(picture_.scaled(picIcon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    setWindowTitle(tr("%1のﾊﾞｰｼﾞｮﾝ情報").arg(wxh::kAppTitle));
    lblVersion->setText(tr("ﾊﾞｰｼﾞｮﾝ %1").arg(QString::fromLatin1(wxh::kVersionText)));
}

void frmAbout::CmdOK_Click() {
    // QDialog's Esc already ends in reject(); OK accepts. Either way the window closes.
    accept();
}
