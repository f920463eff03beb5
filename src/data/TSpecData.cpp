#include "data/TSpecData.h"

#include "data/DatabasePath.h"
#include "data/FormatUpgrade.h"
#include "platform/messages/Messages.h"
#include "platform/messages/MessageAbort.h"
#include "platform/os/Executable.h"
#include "platform/os/Paths.h"
#include "walk/PipeSizes.h"

TSpecData* SpecData = nullptr;

// Hears every change of the pipe table's rows as a whole (an open, a
// reload, a harvest) and every removed row, and has the drawing column
// looked at once the change is made: not inside it, since showing or hiding
// a column lays the grids out anew.
class TSpecData::RowWatch final : public db::DataLink {
public:
    explicit RowWatch(TSpecData& data) : m_data(data) { setDataSource(data.STruba); }

protected:
    void dataEvent(db::DataEvent event, int) override
    {
        if (event != db::DataEvent::Reset && event != db::DataEvent::Removed)
            return;
        TSpecData* data = &m_data;
        QMetaObject::invokeMethod(data, [data] { data->showDrawingColumn(); }, Qt::QueuedConnection);
    }

private:
    TSpecData& m_data;
};

namespace {

db::FieldDef shown(const char* name, db::FieldType type, const QString& label, int width,
                   const QString& format = QString())
{
    db::FieldDef def;
    def.name = QString::fromLatin1(name);
    def.type = type;
    def.displayLabel = label;
    def.displayWidth = width;
    def.displayFormat = format;
    return def;
}

db::FieldDef hidden(const char* name, db::FieldType type, bool readOnly)
{
    db::FieldDef def;
    def.name = QString::fromLatin1(name);
    def.type = type;
    def.visible = false;
    def.readOnly = readOnly;
    return def;
}

} // namespace

TSpecData::TSpecData(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("SpecData"));
    ADOConnection.setConnectionString(QString::fromUtf16(designConnectionString));

    const QString whole = QStringLiteral("0");
    using db::FieldType;

    TTruba = new db::Dataset(ADOConnection, QStringLiteral("TTruba"), this);
    TTruba->setObjectName(QStringLiteral("TTruba"));
    TTrubaFKey = &TTruba->addField(hidden("FKey", FieldType::AutoInc, true));
    TTrubaFObjectID = &TTruba->addField(hidden("FObjectID", FieldType::Integer, false));
    auto layer = shown("FLayer", FieldType::Text, QStringLiteral("Слой"), 20);
    // 50 is the width the grid plans for; longer layer names are kept whole.
    layer.size = 50;
    TTrubaFLayer = &TTruba->addField(layer);
    TTrubaFLength = &TTruba->addField(shown("FLength", FieldType::Double, QStringLiteral("Длинна, мм"), 10, whole));
    TTrubaFRmax = &TTruba->addField(shown("FRmax", FieldType::Double, QStringLiteral("D наружный, мм"), 10, whole));
    TTrubaFRmin = &TTruba->addField(shown("FRmin", FieldType::Double, QStringLiteral("D Внутр, мм"), 10, whole));
    TTrubaFHandle = &TTruba->addField(hidden("FHandle", FieldType::Text, false));
    TTrubaFDrawing = &TTruba->addField(hidden("FDrawing", FieldType::Text, false));
    auto path = shown("FPath", FieldType::Text, QStringLiteral("Чертёж"), 20);
    path.visible = false;
    path.editable = false; // written by the harvest only
    path.shownAs = [](const QString& file) { return os::fileNameOf(file); };
    TTrubaFPath = &TTruba->addField(path);
    TTruba->setIndexFieldNames(QStringLiteral("FLayer;FRmax"));
    // A file of an earlier version gains the columns this one binds.
    TTruba->beforeOpen = [this](db::Dataset&) { upgradePipeTable(ADOConnection); };
    TTruba->beforePost = [this](db::Dataset& dataset) { TTrubaBeforePost(dataset); };

    VTruba = new db::Dataset(ADOConnection, QStringLiteral("VTruba"), this);
    VTruba->setObjectName(QStringLiteral("VTruba"));
    VTrubaFLength = &VTruba->addField(shown("FLength", FieldType::Double, QStringLiteral("Длинна,мм"), 10, whole));
    VTrubaFRmax = &VTruba->addField(shown("FRmax", FieldType::Double, QStringLiteral("D наружн. мм"), 10, whole));
    VTrubaFRmin = &VTruba->addField(shown("FRmin", FieldType::Double, QStringLiteral("D внутр. мм"), 10, whole));

    STruba = new db::DataSource(this);
    STruba->setObjectName(QStringLiteral("STruba"));
    STruba->setDataset(TTruba);
    m_rowWatch = std::make_unique<RowWatch>(*this);
    SVTruba = new db::DataSource(this);
    SVTruba->setObjectName(QStringLiteral("SVTruba"));
    SVTruba->setDataset(VTruba);

    DataModuleCreate();
}

TSpecData::~TSpecData()
{
    // The tables refer to the connection, a member that goes before the
    // QObject children would: let them go first.
    m_rowWatch.reset();
    delete STruba;
    delete SVTruba;
    delete TTruba;
    delete VTruba;
    if (SpecData == this)
        SpecData = nullptr;
}

bool TSpecData::holdsSeveralDrawings() const
{
    if (!TTruba->isActive())
        return false;
    QString first;
    for (int row = 0; row < TTruba->recordCount(); ++row) {
        // A drawing's file names it; a row read before rows kept their file
        // is known by the drawing's identity alone. A row typed by hand
        // belongs to no drawing.
        const auto text = [&](const db::Field* field) {
            const db::FieldValue value = TTruba->valueAt(row, field->index());
            const auto* s = std::get_if<QString>(&value);
            return s ? *s : QString();
        };
        QString drawing;
        if (const QString path = text(TTrubaFPath); !path.isEmpty())
            drawing = QStringLiteral("file:") + path.toLower();
        else if (const QString id = text(TTrubaFDrawing); !id.isEmpty())
            drawing = QStringLiteral("id:") + id;
        if (drawing.isEmpty())
            continue;
        if (first.isEmpty())
            first = drawing;
        else if (drawing != first)
            return true;
    }
    return false;
}

void TSpecData::showDrawingColumn() { TTruba->setFieldVisible(*TTrubaFPath, holdsSeveralDrawings()); }

void TSpecData::DataModuleCreate()
{
    ADOConnection.setConnectionString(
        rewriteConnectionString(ADOConnection.connectionString(), os::executablePath(), os::separator()));
}

namespace {

// A refused row: the post stops with the row as the user left it, and the
// user is told why by whatever ends the command.
[[noreturn]] void refuse(const QString& message)
{
    throw MessageAbort(message);
}

// The refusal of an impossible size, naming the column as the grid titles it.
[[noreturn]] void refuseSize(const QString& rule, const db::Field& field)
{
    refuse(QStringLiteral("%1 (столбец «%2»)").arg(rule, field.displayName()));
}

} // namespace

void TSpecData::TTrubaBeforePost(db::Dataset& /*DataSet*/)
{
    if (TTrubaFLength->isNull())
        refuse(QStringLiteral("Необходимо указать длинну!!!"));
    if (TTrubaFRmax->isNull())
        refuse(QStringLiteral("Необходимо указать наружный диаметр!!!"));
    // A row typed by hand is held to the rules by which the harvest keeps a
    // pipe from the drawing, so that no stored row has a size no pipe can have.
    if (!pipesolid::isPipeLength(TTrubaFLength->asFloat()))
        refuseSize(QStringLiteral("Длина должна быть больше нуля"), *TTrubaFLength);
    if (!pipesolid::isOuterDiameter(TTrubaFRmax->asFloat()))
        refuseSize(QStringLiteral("Наружный диаметр должен быть больше нуля"), *TTrubaFRmax);
    if (!pipesolid::isInnerDiameter(TTrubaFRmin->asFloat()))
        refuseSize(QStringLiteral("Внутренний диаметр не может быть меньше нуля"), *TTrubaFRmin);
    if (TTrubaFRmin->isNull())
        TTrubaFRmin->setAsFloat(0.0);
}
