#include "logger_data/memory.h"

#include "logger_data/data_list.h"
#include "logger_data/list_frame.h"
#include "logger_data/logger_context.h"
#include "logger_data/logger_image.h"
#include "logger_data/number_text.h"
#include "meter_link/meter.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>

using platform::designFont;
using platform::px;
using platform::rectTwips;

namespace {

QLabel* heading(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(place);
    l->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setLineWidth(2);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

QLabel* memoryLabel(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(place);
    l->setFont(designFont(QStringLiteral("MS Sans Serif"), 13.5, true));
    l->setAlignment(Qt::AlignCenter);
    platform::fillBackground(*l, QColor(255, 255, 0));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

} // namespace

Memory::Memory(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    BuildListFrame(*this, QStringLiteral("Memory"), QString::fromLatin1(Caption), ClientWidthTwips,
                   ClientHeightTwips);

    SSPanel1 = heading(this, "SSPanel1", QStringLiteral("Total Memory"), rectTwips(0, 120, 1455, 375));
    SSPanel2 = heading(this, "SSPanel2", QStringLiteral("Free Memory"), rectTwips(1560, 120, 1455, 375));
    LblSize = memoryLabel(this, "LblSize", QStringLiteral("64 K"), rectTwips(0, 480, 1455, 375));
    LblRemain = memoryLabel(this, "LblRemain", QString(), rectTwips(1560, 480, 1455, 375));
    LblRemain->installEventFilter(this);

    LblMessage = new QLabel(this);
    LblMessage->setObjectName(QStringLiteral("LblMessage"));
    LblMessage->move(px(240), px(960));
    QPalette pal = LblMessage->palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    LblMessage->setPalette(pal);
    setMessage(QString());

    GridSet = new platform::Grid(this);
    GridSet->setObjectName(QStringLiteral("GridSet"));
    GridSet->setGeometry(rectTwips(0, 1200, 3015, 2175));
    GridSet->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    GridSet->setRows(1);
    GridSet->setCols(4);
    connect(GridSet, &QAbstractItemView::clicked, this, [this] { GridSet_Click(); });
    // The header row is row 0 of the grid: a click there is a click on row 0.
    connect(GridSet->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        GridSet->setRow(0);
        GridSet->setCol(c);
        GridSet_Click();
    });

    ctx_.memory = this;
    Form_Load();
}

void Memory::Form_Load() {
    platform::placeBesideMainWindow(*this, ctx_.panel);
    const QFontMetrics metrics(font());
    const QString samples[4] = {QStringLiteral(" No.S "), QStringLiteral("AA:AA:AA"),
                                QStringLiteral(" Sampling "), QStringLiteral(" Records ")};
    const QString headers[4] = {QStringLiteral("Set"), QStringLiteral("Time"), QStringLiteral("Sampling"),
                                QStringLiteral("Records")};
    GridSet->setRow(0);
    for (int c = 0; c < 4; ++c) {
        GridSet->setCol(c);
        GridSet->setColWidth(
            c, static_cast<int>(std::lround(platform::toTwips(metrics.horizontalAdvance(samples[c])))));
        GridSet->setText(headers[c]);
    }
    ctx_.app->logger.MemoryFormOpen = true;
}

void Memory::Form_Unload() {
    ctx_.app->logger.MemoryFormOpen = false;
}

void Memory::setMessage(const QString& text) {
    LblMessage->setText(text);
    LblMessage->adjustSize();
}

bool Memory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblRemain && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        LblRemain->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        LblRemain_Click();
        return true;
    }
    return platform::Form::eventFilter(watched, event);
}

void Memory::GridSet_Click() {
    AppState& app = *ctx_.app;
    // While a download runs the list is being rebuilt and the poll timer belongs to it.
    if (app.link.KeyBusy)
        return;
    ctx_.line->pausePolling();

    const int row = GridSet->row();
    const double setNumber = LeadingNumber(GridSet->textAt(row, 0));
    const int interval = static_cast<int>(LeadingNumber(GridSet->textAt(row, 2)));
    GridSet->setCol(2);
    const auto& sets = app.logger.MemorySets;
    const bool named = setNumber >= 1 && setNumber < static_cast<double>(sets.size());
    const QByteArray set = named ? sets[static_cast<size_t>(setNumber)] : QByteArray();
    const int n = LoggerSetRecordCount(static_cast<int>(set.size()));

    app.logger.ListUnitMetric = app.display.AnnPerM2;
    if (ctx_.dataList)
        ctx_.dataList->Unload();
    auto* list = new DataList(ctx_);
    ctx_.dataList = list;
    list->show();

    QString caption;
    for (int i = 1; i <= n; ++i) {
        const LoggerDataRows rows = LoggerSetDataRows(set, i, interval);
        list->GridM->addItem(rows.metric);
        list->GridI->addItem(rows.imperial);
        // Nothing is pumped in this loop: only a changed caption is worth handing to the window.
        QString text = SetDecodeProgressCaption(i, n);
        if (text != caption) {
            caption = std::move(text);
            list->setWindowTitle(caption);
        }
    }
    // A set the download found damaged stays marked while it is listed.
    list->setWindowTitle(IsSuspectLoggerSet(set) && n > 0 ? QStringLiteral("Data List - suspect data")
                                                          : QString::fromLatin1(DataList::Caption));
    ctx_.line->resumePolling();
}

namespace {

// The delete, from its confirmation to "D". The line is held from the question on, so nothing
// else reaches the meter in between.
Task<void> deleteLoggerMemory(Memory& window, LoggerContext& ctx) {
    // The delete leaves the poll count as it is.
    MeterCommand command(*ctx.line, false);
    if (!command.taken())
        co_return;
    platform::Form::Hold hold(window);
    const platform::MsgResult answer =
        platform::msgBox(&window, QStringLiteral("All the data in memory will be deleted!"),
                         platform::MsgIcon::Exclamation, QStringLiteral("Warning"), platform::MsgButtons::OkCancel);
    // A window unloaded while the box was open takes its confirmation with it: nothing is
    // deleted on the word of a window that is gone.
    if (answer != platform::MsgResult::Ok || hold.gone() || !command.line())
        co_return;
    const bool sent = co_await CmdDeleteLoggerMemory(*ctx.line);
    if (!command.line())
        co_return;
    if (sent) {
        if (!hold.gone())
            window.Unload();
        co_return;
    }
    command.end();
    if (!hold.gone())
        platform::msgBox(&window, QString::fromLatin1(MeterNotAnswering), platform::MsgIcon::Critical);
}

} // namespace

void Memory::LblRemain_Click() {
    if (ctx_.app->link.KeyBusy)
        return;
    deleteLoggerMemory(*this, ctx_).start();
}
