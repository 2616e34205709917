// The screen's controls as designed: kind, container, position (in twips, through the
// TwipsLayout), caption, tag, fonts and design properties.

#include "frmKESTA.h"
#include "DesignSize.h"
#include "store/ColumnLimits.h"

#include "messages/HandlerGuard.h"
#include "TwipsLayout.h"
#include "commands/FormatListCommand.h"
#include "commands/ProposalOffer.h"
#include "commands/SaveCommand.h"
#include "commands/ScreenTestCommand.h"
#include "editor/FieldStore.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "messages/Messages.h"
#include "store/FormatSave.h"

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <controls/ColorScheme.h>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>
#include <views/FixedWidthFont.h>

namespace kesta::screen {

namespace {

using editor::columnOf;
using editor::FieldColumn;
using editor::LineColumn;
using velkora::controls::DataGrid;
using velkora::controls::DatePicker;
using velkora::controls::Etiqueta;
using velkora::controls::FlatButton;
using velkora::controls::GridColumn;
using velkora::controls::TextBox;

// Height of the tab control's tabs: its pages' controls are written relative to the tab
// control's top-left corner and start just below the tabs.
constexpr float TabHeight = 330;

// Data controls carry the tag "1" (ClearScreen and EnableScreen act on them).
void tagDataControl(QObject *control)
{
    control->setProperty("Tag", QStringLiteral("1"));
}

QFont sansFont(const QStringList &families, qreal pointSize)
{
    QFont font;
    font.setFamilies(families + QStringList{QStringLiteral("Liberation Sans"),
                                            QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                                            QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

// Calibri: the maker's controls and the frames.
QFont calibriFont()
{
    return sansFont(
        {QStringLiteral("Calibri"), QStringLiteral("Carlito"), QStringLiteral("Segoe UI")}, 9);
}

// MS Sans Serif: the three labels of the first tab.
QFont msSansSerifFont()
{
    return sansFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                     QStringLiteral("Tahoma")},
                    8.25);
}

// Franklin Gothic Medium: the grids.
QFont franklinFont()
{
    return sansFont({QStringLiteral("Franklin Gothic Medium"), QStringLiteral("Libre Franklin"),
                     QStringLiteral("Franklin Gothic"), QStringLiteral("Verdana")},
                    8.25);
}

// Fixedsys: the key, description and file boxes; where it is not installed, a font of one
// width stands in.
QFont fixedsysFont()
{
    return velkora::views::fixedWidthFont({QStringLiteral("Fixedsys")}, 9);
}

// The tab control's tab bar: tabs exactly TabHeight tall, so that the pages start where the
// design expects them. Besides Alt+1 and Alt+2, only a click on a tab switches tabs: the
// screen's event filter keeps the arrow keys and the mouse wheel from switching them.
class ScreenTabBar : public QTabBar {
public:
    explicit ScreenTabBar(int tabHeightPixels, QWidget *parent)
        : QTabBar(parent), m_tabHeight(tabHeightPixels)
    {
        setObjectName(QStringLiteral("ssTabZurBar"));
        setDrawBase(false);
        setExpanding(false);
    }

protected:
    QSize tabSizeHint(int index) const override
    {
        QSize size = QTabBar::tabSizeHint(index);
        size.setHeight(m_tabHeight);
        return size;
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    // The tabs draw no focus rectangle.
    void initStyleOption(QStyleOptionTab *option, int tabIndex) const override
    {
        QTabBar::initStyleOption(option, tabIndex);
        option->state &= ~QStyle::State_HasFocus;
    }

private:
    int m_tabHeight;
};

// The tab control: a QTabWidget with the screen's tab bar; its pages carry no frame, so a page
// is exactly as wide as the control and starts right below the tabs.
class ScreenTabControl : public QTabWidget {
public:
    ScreenTabControl(int tabHeightPixels, QWidget *parent) : QTabWidget(parent)
    {
        setTabBar(new ScreenTabBar(tabHeightPixels, this));
        setDocumentMode(true);
    }
};

// A text column of a grid, its width given in twips.
GridColumn gridColumn(const TwipsLayout &l, const QString &name, const QString &caption,
                      float widthTwips)
{
    GridColumn c;
    c.name = name;
    c.caption = caption;
    c.width = l.pixelsX(widthTwips);
    return c;
}

QList<GridColumn> lineGridColumns(const TwipsLayout &l)
{
    using namespace velkora::store::ColumnLength;
    const auto column = [&l](const QString &name, const QString &caption, float widthTwips,
                             int maxLength) {
        GridColumn c = gridColumn(l, name, caption, widthTwips);
        c.maxLength = maxLength;
        return c;
    };
    QList<GridColumn> columns{
        column(QStringLiteral("Orden"), QStringLiteral("No."), 615, LineOrder),
        column(QStringLiteral("ID"), QStringLiteral("Id"), 900, LineId),
        column(QStringLiteral("Descripci\u00f3n"), QStringLiteral("Descripci\u00f3n"), 2280,
               LineDescription),
        column(QStringLiteral("Posicion"), QStringLiteral("Posici\u00f3n"), 870, PositionDigits),
        column(QStringLiteral("Longitud"), QStringLiteral("Longitud"), 870, PositionDigits),
    };
    Q_ASSERT(columns.size() == columnOf(LineColumn::Count));
    columns[columnOf(LineColumn::Order)].format = QStringLiteral("0000");
    columns[columnOf(LineColumn::Order)].description =
        QStringLiteral("Número de orden de la línea");
    return columns;
}

QList<GridColumn> fieldGridColumns(const TwipsLayout &l)
{
    using namespace velkora::store::ColumnLength;
    const auto column = [&l](const QString &name, const QString &caption, float widthTwips,
                             int maxLength = 0) {
        GridColumn c = gridColumn(l, name, caption, widthTwips);
        c.maxLength = maxLength;
        return c;
    };
    QList<GridColumn> columns{
        column(QStringLiteral("ID"), QStringLiteral("Id"), 615, FieldId),
        column(QStringLiteral("Descripci\u00f3n"), QStringLiteral("Descripci\u00f3n"), 2100,
               FieldDescription),
        column(QStringLiteral("Posicion"), QStringLiteral("Posici\u00f3n"), 870, PositionDigits),
        column(QStringLiteral("Longitud"), QStringLiteral("Longitud"), 870, PositionDigits),
        column(QStringLiteral("Tipo"), QStringLiteral("Tipo"), 1275),
        column(QStringLiteral("Valor"), QStringLiteral("Valor"), 1050, FieldValue),
        column(QStringLiteral("FORMATO"), QStringLiteral("Formato"), 900, FieldFormat),
        column(QStringLiteral("Trim"), QStringLiteral("Trim"), 525),
        column(QStringLiteral("Linea_ID"), QStringLiteral("Linea_ID"), 780, LineOrder),
    };
    Q_ASSERT(columns.size() == columnOf(FieldColumn::Count));
    columns[columnOf(FieldColumn::Id)].format = QStringLiteral("0000");
    columns[columnOf(FieldColumn::LineOrder)].description =
        QStringLiteral("ID de línea: el No. de la línea del campo");
    columns[columnOf(FieldColumn::Type)].kind = GridColumn::Kind::List;
    columns[columnOf(FieldColumn::Type)].valueList =
        QStringList{QStringLiteral("NUMERO"), QStringLiteral("TEXTO"), QStringLiteral("Fecha"),
                    QStringLiteral("CONSTANTE"), QStringLiteral("SQL")};
    columns[columnOf(FieldColumn::Trim)].kind = GridColumn::Kind::Check;
    return columns;
}

// A right-aligned label of the form.
Etiqueta *makeLabel(QWidget *parent, const char *name, const QString &caption, const QString &id,
                    const QFont &font, TwipsLayout &l, const TwipsRect &rect)
{
    auto *label = new Etiqueta(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setIdetiqueta(id);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l.place(label, rect);
    return label;
}

// A data text box: disabled until the screen enables its data, Enter moves on.
TextBox *makeDataBox(QWidget *parent, const char *name, int maxLength, const QFont &font,
                     TwipsLayout &l, const TwipsRect &rect)
{
    auto *box = new TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(font);
    box->setMaxLength(maxLength);
    box->setEnterMovesOn(true);
    box->setEnabled(false);
    tagDataControl(box);
    l.place(box, rect);
    return box;
}

// The fonts of the design.
struct DesignFonts {
    QFont calibri = calibriFont();
    QFont fixedsys = fixedsysFont();
    QFont msSansSerif = msSansSerifFont();
    QFont franklin = franklinFont();
};

// A frame of a tab page: the bar (a strip in the highlight colour) or the frame over it.
QFrame *makeFrame(QWidget *page, const char *name, TwipsLayout &l, const TwipsRect &rect)
{
    auto *frame = new QFrame(page);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(QFrame::NoFrame);
    frame->setAutoFillBackground(true);
    l.place(frame, rect);
    return frame;
}

QFrame *makeBar(QWidget *page, const char *name, TwipsLayout &l)
{
    QFrame *bar = makeFrame(page, name, l, {0, 330, 9375, 135});
    bar->setBackgroundRole(QPalette::Highlight);
    return bar;
}

// Top level: toolbar, tab control and its two pages, file dialog, colour scheme.
void buildTopLevel(frmKESTA &form, const DesignFonts &fonts, QWidget *&pageGeneral,
                   QWidget *&pageUser)
{
    TwipsLayout &l = form.layout();
    auto *controles = new velkora::controls::Controles(&form);
    form.Controles = controles;
    controles->setObjectName(QStringLiteral("Controles"));
    controles->setFont(fonts.calibri);
    controles->setCaption(QStringLiteral("Formatos de carga"));
    controles->setDesignProperty(QStringLiteral("opc_table"), QStringLiteral("Layout"));
    controles->setDesignProperty(QStringLiteral("opc_key"), QStringLiteral("Ly_Cve_Layout"));
    controles->setDesignProperty(QStringLiteral("showexitbutton"), QStringLiteral("SI"));
    controles->setDesignProperty(QStringLiteral("showwindowslist"), QStringLiteral("SI"));
    controles->setDesignProperty(QStringLiteral("showmenupopup"), QStringLiteral("NO"));
    controles->setDesignProperty(QStringLiteral("easyaccessenabled"), QStringLiteral("NO"));
    controles->setDesignProperty(QStringLiteral("tabwidth"), QStringLiteral("0"));
    l.place(controles, {0, 0, 15360, 960});

    form.ssTabZur = new ScreenTabControl(l.pixelsY(TabHeight), &form);
    form.ssTabZur->setObjectName(QStringLiteral("ssTabZur"));
    form.ssTabZur->setFont(fonts.calibri);
    l.place(form.ssTabZur, {120, 1200, 15255, 6975});

    pageGeneral = new QWidget;
    pageGeneral->setObjectName(QStringLiteral("tabGeneral"));
    pageUser = new QWidget;
    pageUser->setObjectName(QStringLiteral("tabDatosUsuario"));
    form.ssTabZur->addTab(pageGeneral, QStringLiteral("General"));
    form.ssTabZur->addTab(pageUser, QStringLiteral("Datos de usuario"));
    form.ssTabZur->setCurrentIndex(0);
    l.setContainerOrigin(pageGeneral, 0, TabHeight);
    l.setContainerOrigin(pageUser, 0, TabHeight);

    form.cdFile = new velkora::controls::CommonDialog(&form);
    form.cdFile->setObjectName(QStringLiteral("cdFile"));

    form.colorZUR = new velkora::controls::ColorScheme(&form);
    form.colorZUR->setObjectName(QStringLiteral("colorZUR"));
    form.colorZUR->hide();
}

// Tab "General", its header: the bar, then the frame over it, the key, "Lectura inversa", the
// state, the description and the file.
void buildHeader(frmKESTA &form, const DesignFonts &fonts, QWidget *pageGeneral)
{
    TwipsLayout &l = form.layout();
    form.sh1 = makeBar(pageGeneral, "sh1", l);
    // Opaque: only the bar's top edge shows above it.
    form.fr1 = makeFrame(pageGeneral, "fr1", l, {0, 360, 15135, 6165});
    form.fr1->setFont(fonts.calibri);
    QFrame *fr1 = form.fr1;

    form.Label1 = makeLabel(fr1, "Label1", QStringLiteral("Clave:"), QStringLiteral("Clave"),
                            fonts.msSansSerif, l, {0, 240, 1860, 255});

    auto *key = new TextBox(fr1);
    form.txtClave = key;
    key->setObjectName(QStringLiteral("txtClave"));
    key->setFont(fonts.fixedsys);
    key->setMaxLength(velkora::store::ColumnLength::Key);
    key->setIdconsulta(QStringLiteral("LAYOUT"));
    key->setEsclave(true);
    key->setMayusculas(true);
    key->setFormato(99);
    key->setFormatopersonal(QStringLiteral("0000"));
    key->setTipodato(3);
    l.place(key, {1920, 240, 1335, 300});

    form.chInverso = new QCheckBox(QStringLiteral("Lectura inversa"), fr1);
    form.chInverso->setObjectName(QStringLiteral("chInverso"));
    form.chInverso->setFont(fonts.calibri);
    tagDataControl(form.chInverso);
    l.place(form.chInverso, {3360, 240, 1935, 255});

    form.lblEstado = new QLabel(fr1);
    form.lblEstado->setObjectName(QStringLiteral("lblEstado"));
    QFont stateFont = fonts.calibri;
    stateFont.setBold(true);
    form.lblEstado->setFont(stateFont);
    form.lblEstado->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l.place(form.lblEstado, {5400, 240, 3975, 255});

    form.Label2 =
        makeLabel(fr1, "Label2", QStringLiteral("Descripci\u00f3n:"),
                  QStringLiteral("Descripci\u00f3n"), fonts.msSansSerif, l, {0, 600, 1860, 255});
    form.txtDescripcion =
        makeDataBox(fr1, "txtDescripcion", velkora::store::ColumnLength::Description,
                    fonts.fixedsys, l, {1920, 600, 7455, 300});

    form.Etiqueta1 =
        makeLabel(fr1, "Etiqueta1", QStringLiteral("Archivo:"), QStringLiteral("Archivo"),
                  fonts.msSansSerif, l, {0, 960, 1860, 255});
    form.txtArchivo = makeDataBox(fr1, "txtArchivo", velkora::store::ColumnLength::File,
                                  fonts.fixedsys, l, {1920, 960, 7455, 300});

    form.cmdArchivo = new FlatButton(QStringLiteral("..."), fr1);
    form.cmdArchivo->setObjectName(QStringLiteral("cmdArchivo"));
    form.cmdArchivo->setFont(fonts.calibri);
    form.cmdArchivo->setToolTip(QStringLiteral("Archivo"));
    tagDataControl(form.cmdArchivo);
    l.place(form.cmdArchivo, {9480, 960, 375, 375});
}

// The edit buttons. "Aceptar" and "Cancelar" are moved onto "Nuevo" and "Editar" by the load;
// only one group is visible at a time, the start group at first. Each has a mnemonic (Alt and
// the underlined letter), named in its tooltip with the key that reaches it. Then "Reglas...":
// the format's rules, in a dialog of their own; not a data control: it also shows the rules of
// a format that is only viewed.
void buildEditButtons(frmKESTA &form, const DesignFonts &fonts)
{
    TwipsLayout &l = form.layout();
    const QString captions[5] = {QStringLiteral("Nuevo"), QStringLiteral("Editar"),
                                 QStringLiteral("Eliminar"), QStringLiteral("Aceptar"),
                                 QStringLiteral("Cancelar")};
    const char mnemonics[5] = {'N', 'E', 'L', 'A', 'C'};
    const QString tips[5] = {
        QStringLiteral("Agregar una línea (Alt+N)"),
        QStringLiteral("Editar la línea actual y sus campos (Alt+E)"),
        QStringLiteral("Eliminar la línea actual (Alt+L)"),
        QStringLiteral("Aceptar la línea y sus campos (Alt+A; Tab desde la última celda de los "
                       "campos)"),
        QStringLiteral("Cancelar la edición de la línea (Alt+C)")};
    for (int i = 0; i < 5; ++i) {
        auto *button = new FlatButton(captions[i], form.fr1);
        button->setToolTip(tips[i]);
        button->setMnemonic(QLatin1Char(mnemonics[i]));
        button->setObjectName(QStringLiteral("cmdControles_%1").arg(i));
        button->setFont(fonts.calibri);
        button->setEnabled(false);
        button->setVisible(i < 3);
        tagDataControl(button);
        l.place(button, {1320.0f * static_cast<float>(i), 1440, 1215, 375});
        form.cmdControles[i] = button;
    }

    form.cmdReglas = new FlatButton(QStringLiteral("&Reglas..."), form.fr1);
    form.cmdReglas->setObjectName(QStringLiteral("cmdReglas"));
    form.cmdReglas->setFont(fonts.calibri);
    form.cmdReglas->setEnabled(false);
    // Reached by Alt+R and the mouse; the tab order of the form stays as it was.
    form.cmdReglas->setFocusPolicy(Qt::NoFocus);
    l.place(form.cmdReglas, {4680, 1440, 1215, 375});
}

DataGrid *makeGrid(QWidget *parent, const char *name, const QString &caption,
                   const QList<GridColumn> &columns, const QFont &font, TwipsLayout &l,
                   const TwipsRect &rect)
{
    auto *grid = new DataGrid(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setFont(font);
    grid->setWindowTitle(caption);
    grid->setAccessibleName(caption);
    grid->setColumns(columns);
    grid->setCaption(caption);
    tagDataControl(grid);
    l.place(grid, rect);
    return grid;
}

// The two grids, the keyboard's way through them and the field store.
void buildGrids(frmKESTA &form, const DesignFonts &fonts)
{
    TwipsLayout &l = form.layout();
    form.ssLinea = makeGrid(form.fr1, "ssLinea", QStringLiteral("L\u00ednea"), lineGridColumns(l),
                            fonts.franklin, l, {0, 1920, 5895, 2655});
    form.ssDetalle = makeGrid(form.fr1, "ssDetalle", QStringLiteral("Detalle"), fieldGridColumns(l),
                              fonts.franklin, l, {6000, 1920, 8775, 2655});

    // The keyboard's way through: the start buttons, the line grid, the field grid, then
    // "Aceptar" and "Cancelar" (TAB from the field grid's last cell, Shift+TAB back).
    QWidget::setTabOrder(form.cmdArchivo, form.cmdControles[0]);
    QWidget::setTabOrder(form.cmdControles[0], form.cmdControles[1]);
    QWidget::setTabOrder(form.cmdControles[1], form.cmdControles[2]);
    QWidget::setTabOrder(form.cmdControles[2], form.ssLinea);
    QWidget::setTabOrder(form.ssLinea, form.ssDetalle);
    QWidget::setTabOrder(form.ssDetalle, form.cmdControles[3]);
    QWidget::setTabOrder(form.cmdControles[3], form.cmdControles[4]);

    // The field store: a list view that is never shown.
    form.lvDetalle = new editor::FieldStoreView(form.fr1);
    form.lvDetalle->setObjectName(QStringLiteral("lvDetalle"));
    tagDataControl(form.lvDetalle);
    l.place(form.lvDetalle, {0, 4680, 2775, 615});
    form.lvDetalle->hide();
}

struct UserDatum {
    const char *label;
    const char *caption;
    const char *id;
    const char *input;
    float top;
};

const UserDatum userData[6] = {
    {"Label31", "Dato 1:", "USER1", "txtUser1", 240},
    {"Label30", "Dato 2:", "USER2", "txtUser2", 600},
    {"Label29", "Dato 3:", "USER3", "txtUser3", 960},
    {"Label28", "Dato 4:", "USER4", "txtUser4", 1320},
    {"Label27", "Dato 5:", "USER5", "dpUser5", 1680},
    {"Label26", "Dato 6:", "USER6", "dpUser6", 2040},
};

DatePicker *makeUserDate(QWidget *parent, const UserDatum &datum, const QFont &font, TwipsLayout &l)
{
    auto *picker = new DatePicker(parent);
    picker->setObjectName(QString::fromLatin1(datum.input));
    picker->setFont(font);
    picker->setEnabled(false);
    tagDataControl(picker);
    l.place(picker, {1920, datum.top, 1575, 300});
    return picker;
}

// Tab "Datos de usuario": the bar, the frame (disabled while the first tab is current) and the
// six user data.
void buildUserTab(frmKESTA &form, const DesignFonts &fonts, QWidget *pageUser)
{
    TwipsLayout &l = form.layout();
    form.Sh2 = makeBar(pageUser, "Sh2", l);
    form.fr2 = makeFrame(pageUser, "fr2", l, {0, 360, 14895, 4455});
    form.fr2->setFont(fonts.calibri);
    form.fr2->setEnabled(false);
    QFrame *fr2 = form.fr2;

    for (int i = 0; i < 6; ++i) {
        form.userLabels[i] = makeLabel(
            fr2, userData[i].label, QString::fromLatin1(userData[i].caption),
            QString::fromLatin1(userData[i].id), fonts.calibri, l, {0, userData[i].top, 1860, 255});
    }

    auto makeUserText = [&](const UserDatum &datum, int maxLength, float width) {
        return makeDataBox(fr2, datum.input, maxLength, fonts.calibri, l,
                           {1920, datum.top, width, 300});
    };
    using namespace velkora::store::ColumnLength;
    form.txtUser1 = makeUserText(userData[0], UserText, 4935);
    form.txtUser2 = makeUserText(userData[1], UserText, 4935);
    form.txtUser3 = makeUserText(userData[2], UserNumberText, 2535);
    form.txtUser4 = makeUserText(userData[3], UserNumberText, 2535);
    for (TextBox *box : {form.txtUser3, form.txtUser4}) {
        box->setNumeric(4);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setText(box->emptyValue());
    }
    form.dpUser5 = makeUserDate(fr2, userData[4], fonts.calibri, l);
    form.dpUser6 = makeUserDate(fr2, userData[5], fonts.calibri, l);
}

} // namespace

void frmKESTA::buildControls()
{
    const DesignFonts fonts;
    resize(m_layout->pixelsX(DesignWidth), m_layout->pixelsY(DesignHeight));
    QWidget *pageGeneral = nullptr;
    QWidget *pageUser = nullptr;
    buildTopLevel(*this, fonts, pageGeneral, pageUser);
    buildHeader(*this, fonts, pageGeneral);
    buildEditButtons(*this, fonts);
    buildGrids(*this, fonts);
    buildUserTab(*this, fonts, pageUser);
    addAnalystCommands();
}

// The toolbar's ways in for a user finding the screen: the list of the stored formats, the
// test of the format under edit before it is saved, and the proposal from a sample file.
void frmKESTA::addAnalystCommands()
{
    new commands::FormatListCommand(
        {Controles, txtClave, this, [this](const messages::Message &note) { showNote(note); }},
        this);
    new commands::ScreenTestCommand(
        {Controles, txtArchivo, ssLinea, ssDetalle, this,
         [this] { return m_saveCommand->request(m_mode == commands::Mode::EditingNew); },
         [this] { return m_lineEditor->LineEditActive(); },
         [this](const velkora::store::SaveOutcome &refused) {
             m_saveCommand->showOutcome(refused);
         }},
        this);
    new commands::ProposalOffer({Controles, ssLinea, [this] {
                                     messages::guardHandler(this, QStringLiteral("mnuProponer_Click()"),
                                                  [this] { mnuProponer_Click(); });
                                 }},
                                this);
}

} // namespace kesta::screen
