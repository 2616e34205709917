// The screen's controls as designed: kind, container, position (in twips, through the
// TwipsLayout), caption, tag, fonts and design properties.

#include "frmKESTA.h"
#include "store/ColumnLimits.h"

#include "HandlerGuard.h"
#include "TwipsLayout.h"
#include "commands/FormatListCommand.h"
#include "commands/ProposalOffer.h"
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

// The design size of the screen's inner area, in twips.
constexpr float DesignWidth = 15360;
constexpr float DesignHeight = 8715;
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
    using namespace storage::ColumnLength;
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
    using namespace storage::ColumnLength;
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

} // namespace

void frmKESTA::buildControls()
{
    TwipsLayout &l = *m_layout;
    const QFont calibri = calibriFont();
    const QFont fixedsys = fixedsysFont();
    const QFont msSansSerif = msSansSerifFont();
    const QFont franklin = franklinFont();

    resize(l.pixelsX(DesignWidth), l.pixelsY(DesignHeight));

    // Top level: toolbar, tab control, file dialog, colour scheme.
    Controles = new velkora::controls::Controles(this);
    Controles->setObjectName(QStringLiteral("Controles"));
    Controles->setFont(calibri);
    Controles->setCaption(QStringLiteral("Formatos de carga"));
    Controles->setDesignProperty(QStringLiteral("opc_table"), QStringLiteral("Layout"));
    Controles->setDesignProperty(QStringLiteral("opc_key"), QStringLiteral("Ly_Cve_Layout"));
    Controles->setDesignProperty(QStringLiteral("showexitbutton"), QStringLiteral("SI"));
    Controles->setDesignProperty(QStringLiteral("showwindowslist"), QStringLiteral("SI"));
    Controles->setDesignProperty(QStringLiteral("showmenupopup"), QStringLiteral("NO"));
    Controles->setDesignProperty(QStringLiteral("easyaccessenabled"), QStringLiteral("NO"));
    Controles->setDesignProperty(QStringLiteral("tabwidth"), QStringLiteral("0"));
    l.place(Controles, {0, 0, 15360, 960});

    ssTabZur = new ScreenTabControl(l.pixelsY(TabHeight), this);
    ssTabZur->setObjectName(QStringLiteral("ssTabZur"));
    ssTabZur->setFont(calibri);
    l.place(ssTabZur, {120, 1200, 15255, 6975});

    auto *pageGeneral = new QWidget;
    pageGeneral->setObjectName(QStringLiteral("tabGeneral"));
    auto *pageUser = new QWidget;
    pageUser->setObjectName(QStringLiteral("tabDatosUsuario"));
    ssTabZur->addTab(pageGeneral, QStringLiteral("General"));
    ssTabZur->addTab(pageUser, QStringLiteral("Datos de usuario"));
    ssTabZur->setCurrentIndex(0);
    l.setContainerOrigin(pageGeneral, 0, TabHeight);
    l.setContainerOrigin(pageUser, 0, TabHeight);

    cdFile = new velkora::controls::CommonDialog(this);
    cdFile->setObjectName(QStringLiteral("cdFile"));

    colorZUR = new velkora::controls::ColorScheme(this);
    colorZUR->setObjectName(QStringLiteral("colorZUR"));
    colorZUR->hide();

    // Tab "General": the bar, then the frame over it.
    sh1 = new QFrame(pageGeneral);
    sh1->setObjectName(QStringLiteral("sh1"));
    sh1->setFrameShape(QFrame::NoFrame);
    sh1->setAutoFillBackground(true);
    sh1->setBackgroundRole(QPalette::Highlight);
    l.place(sh1, {0, 330, 9375, 135});

    fr1 = new QFrame(pageGeneral);
    fr1->setObjectName(QStringLiteral("fr1"));
    fr1->setFrameShape(QFrame::NoFrame);
    fr1->setAutoFillBackground(true); // opaque: only the bar's top edge shows above it
    fr1->setFont(calibri);
    l.place(fr1, {0, 360, 15135, 6165});

    Label1 = makeLabel(fr1, "Label1", QStringLiteral("Clave:"), QStringLiteral("Clave"),
                       msSansSerif, l, {0, 240, 1860, 255});

    txtClave = new TextBox(fr1);
    txtClave->setObjectName(QStringLiteral("txtClave"));
    txtClave->setFont(fixedsys);
    txtClave->setMaxLength(storage::ColumnLength::Key);
    txtClave->setIdconsulta(QStringLiteral("LAYOUT"));
    txtClave->setEsclave(true);
    txtClave->setMayusculas(true);
    txtClave->setFormato(99);
    txtClave->setFormatopersonal(QStringLiteral("0000"));
    txtClave->setTipodato(3);
    l.place(txtClave, {1920, 240, 1335, 300});

    chInverso = new QCheckBox(QStringLiteral("Lectura inversa"), fr1);
    chInverso->setObjectName(QStringLiteral("chInverso"));
    chInverso->setFont(calibri);
    tagDataControl(chInverso);
    l.place(chInverso, {3360, 240, 1935, 255});

    lblEstado = new QLabel(fr1);
    lblEstado->setObjectName(QStringLiteral("lblEstado"));
    QFont stateFont = calibri;
    stateFont.setBold(true);
    lblEstado->setFont(stateFont);
    lblEstado->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l.place(lblEstado, {5400, 240, 3975, 255});

    Label2 = makeLabel(fr1, "Label2", QStringLiteral("Descripci\u00f3n:"),
                       QStringLiteral("Descripci\u00f3n"), msSansSerif, l, {0, 600, 1860, 255});
    txtDescripcion = makeDataBox(fr1, "txtDescripcion", storage::ColumnLength::Description,
                                 fixedsys, l, {1920, 600, 7455, 300});

    Etiqueta1 = makeLabel(fr1, "Etiqueta1", QStringLiteral("Archivo:"), QStringLiteral("Archivo"),
                          msSansSerif, l, {0, 960, 1860, 255});
    txtArchivo = makeDataBox(fr1, "txtArchivo", storage::ColumnLength::File, fixedsys, l,
                             {1920, 960, 7455, 300});

    cmdArchivo = new FlatButton(QStringLiteral("..."), fr1);
    cmdArchivo->setObjectName(QStringLiteral("cmdArchivo"));
    cmdArchivo->setFont(calibri);
    cmdArchivo->setToolTip(QStringLiteral("Archivo"));
    tagDataControl(cmdArchivo);
    l.place(cmdArchivo, {9480, 960, 375, 375});

    // The edit buttons. "Aceptar" and "Cancelar" are moved onto "Nuevo" and "Editar" by the
    // load; only one group is visible at a time, the start group at first.
    // Each has a mnemonic (Alt and the underlined letter), named in its tooltip with the key
    // that reaches it.
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
        auto *button = new FlatButton(captions[i], fr1);
        button->setToolTip(tips[i]);
        button->setMnemonic(QLatin1Char(mnemonics[i]));
        button->setObjectName(QStringLiteral("cmdControles_%1").arg(i));
        button->setFont(calibri);
        button->setEnabled(false);
        button->setVisible(i < 3);
        tagDataControl(button);
        l.place(button, {1320.0f * static_cast<float>(i), 1440, 1215, 375});
        cmdControles[i] = button;
    }

    // The format's rules, in a dialog of their own; not a data control: it also shows the rules
    // of a format that is only viewed.
    cmdReglas = new FlatButton(QStringLiteral("&Reglas..."), fr1);
    cmdReglas->setObjectName(QStringLiteral("cmdReglas"));
    cmdReglas->setFont(calibri);
    cmdReglas->setEnabled(false);
    // Reached by Alt+R and the mouse; the tab order of the form stays as it was.
    cmdReglas->setFocusPolicy(Qt::NoFocus);
    l.place(cmdReglas, {4680, 1440, 1215, 375});

    ssLinea = new DataGrid(fr1);
    ssLinea->setObjectName(QStringLiteral("ssLinea"));
    ssLinea->setFont(franklin);
    ssLinea->setWindowTitle(QStringLiteral("L\u00ednea"));
    ssLinea->setAccessibleName(QStringLiteral("L\u00ednea"));
    ssLinea->setColumns(lineGridColumns(l));
    ssLinea->setCaption(QStringLiteral("L\u00ednea"));
    tagDataControl(ssLinea);
    l.place(ssLinea, {0, 1920, 5895, 2655});

    ssDetalle = new DataGrid(fr1);
    ssDetalle->setObjectName(QStringLiteral("ssDetalle"));
    ssDetalle->setFont(franklin);
    ssDetalle->setWindowTitle(QStringLiteral("Detalle"));
    ssDetalle->setAccessibleName(QStringLiteral("Detalle"));
    ssDetalle->setColumns(fieldGridColumns(l));
    ssDetalle->setCaption(QStringLiteral("Detalle"));
    tagDataControl(ssDetalle);
    l.place(ssDetalle, {6000, 1920, 8775, 2655});

    // The keyboard's way through: the start buttons, the line grid, the field grid, then
    // "Aceptar" and "Cancelar" (TAB from the field grid's last cell, Shift+TAB back).
    setTabOrder(cmdArchivo, cmdControles[0]);
    setTabOrder(cmdControles[0], cmdControles[1]);
    setTabOrder(cmdControles[1], cmdControles[2]);
    setTabOrder(cmdControles[2], ssLinea);
    setTabOrder(ssLinea, ssDetalle);
    setTabOrder(ssDetalle, cmdControles[3]);
    setTabOrder(cmdControles[3], cmdControles[4]);

    // The field store: a list view that is never shown.
    lvDetalle = new editor::FieldStoreView(fr1);
    lvDetalle->setObjectName(QStringLiteral("lvDetalle"));
    tagDataControl(lvDetalle);
    l.place(lvDetalle, {0, 4680, 2775, 615});
    lvDetalle->hide();

    // Tab "Datos de usuario": the bar, the frame (disabled while the first tab is current) and
    // the six user data.
    Sh2 = new QFrame(pageUser);
    Sh2->setObjectName(QStringLiteral("Sh2"));
    Sh2->setFrameShape(QFrame::NoFrame);
    Sh2->setAutoFillBackground(true);
    Sh2->setBackgroundRole(QPalette::Highlight);
    l.place(Sh2, {0, 330, 9375, 135});

    fr2 = new QFrame(pageUser);
    fr2->setObjectName(QStringLiteral("fr2"));
    fr2->setFrameShape(QFrame::NoFrame);
    fr2->setAutoFillBackground(true);
    fr2->setFont(calibri);
    fr2->setEnabled(false);
    l.place(fr2, {0, 360, 14895, 4455});

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
    for (int i = 0; i < 6; ++i) {
        userLabels[i] = makeLabel(fr2, userData[i].label, QString::fromLatin1(userData[i].caption),
                                  QString::fromLatin1(userData[i].id), calibri, l,
                                  {0, userData[i].top, 1860, 255});
    }

    auto makeUserText = [&](const UserDatum &datum, int maxLength, float width) {
        return makeDataBox(fr2, datum.input, maxLength, calibri, l, {1920, datum.top, width, 300});
    };
    using namespace storage::ColumnLength;
    txtUser1 = makeUserText(userData[0], UserText, 4935);
    txtUser2 = makeUserText(userData[1], UserText, 4935);
    txtUser3 = makeUserText(userData[2], UserNumberText, 2535);
    txtUser4 = makeUserText(userData[3], UserNumberText, 2535);
    for (TextBox *box : {txtUser3, txtUser4}) {
        box->setNumeric(4);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setText(box->emptyValue());
    }

    auto makeUserDate = [&](const UserDatum &datum) {
        auto *picker = new DatePicker(fr2);
        picker->setObjectName(QString::fromLatin1(datum.input));
        picker->setFont(calibri);
        picker->setEnabled(false);
        tagDataControl(picker);
        l.place(picker, {1920, datum.top, 1575, 300});
        return picker;
    };
    dpUser5 = makeUserDate(userData[4]);
    dpUser6 = makeUserDate(userData[5]);
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
         [this] { return saveRequest(m_mode == commands::Mode::EditingNew); },
         [this] { return m_lineEditor->LineEditActive(); },
         [this](const storage::SaveOutcome &refused) { showSaveOutcome(refused); }},
        this);
    new commands::ProposalOffer({Controles, ssLinea, [this] {
                                     guardHandler(this, QStringLiteral("mnuProponer_Click()"),
                                                  [this] { mnuProponer_Click(); });
                                 }},
                                this);
}

} // namespace kesta::screen
