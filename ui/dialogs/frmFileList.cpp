#include "ui/dialogs/frmFileList.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include <QListWidget>

#include "ui/settings/LiveSettings.h"
#include "crow/WxhObject.h"
#include "ui/commands/Descriptions.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

frmFileList::frmFileList(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmFileList"));
    setWindowTitle(tr("Crowファイルリスト"));
    setFixedSize(Tw(3360), Tw(3525));

    CrowList = new QListWidget(this);
    CrowList->setAccessibleName(tr("Crowファイルの中身"));
    CrowList->setObjectName(QStringLiteral("CrowList"));
    CrowList->setGeometry(TwRect(120, 120, 3135, 3300));
    CrowList->setSortingEnabled(false);
    CrowList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Paths and names longer than the box can still be read to their end.
    CrowList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    CrowList->setTextElideMode(Qt::ElideNone);
    CrowList->setSelectionMode(QAbstractItemView::SingleSelection);

    Form_Load();
}

void frmFileList::Form_Load() {
    CrowList->clear();
    const std::string path = wxh::Live().ListCrowFile;

    int32_t ver = 0, infoEx = 0, count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    int32_t r;
    {
        // The inspection never shows the progress window, so a headless object serves.
        wxh::WxhObject crow;
        r = crow.GetCrowInfo(path, ver, infoEx, count, names, sizes);
    }
    if (r != 0 || count < 0 || names.size() < static_cast<size_t>(count) ||
        sizes.size() < static_cast<size_t>(count)) {
        wxh::MsgBox(parentWidget(), tr("ファイルが開けません"));
        return;
    }

    // The file's own length, in 64 bits so that files past 2 GB read right.
    std::error_code ec;
    const auto length = std::filesystem::file_size(std::filesystem::path(path), ec);
    const int64_t fileSize = ec ? 0 : static_cast<int64_t>(length);

    const wxh::CrowInfo info{ver, infoEx, count, std::move(names), std::move(sizes)};
    CrowList->addItems(wxh::ContentsLines(QString::fromStdString(path), fileSize, info));
}
