// The SNIRF writer on the HDF5 C library: every call's result is checked, and the first
// failure ends the export.
#include "snirf.h"
#include "wholefile.h"

#include <algorithm>
#include <charconv>
#include <hdf5.h>
#include <vector>

namespace {

constexpr hsize_t ROWS_PER_BLOCK = 1 << 16;
constexpr size_t CORE_INCREMENT = 16 << 20;

// An HDF5 identifier closed by its own close function.
class Handle
{
public:
    using Close = herr_t (*)(hid_t);
    Handle(hid_t id, Close close) : m_id(id), m_close(close) {}
    ~Handle() { release(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool valid() const { return m_id >= 0; }
    hid_t id() const { return m_id; }
    // Closes now; false when the close failed.
    bool release()
    {
        const bool ok = m_id < 0 || m_close(m_id) >= 0;
        m_id = -1;
        return ok;
    }

private:
    hid_t m_id;
    Close m_close;
};

// A column of a series: the stored value, times multiply, divided by divide.
struct Column
{
    int channel;
    Series series;
    double multiply = 1;
    double divide = 1;
};

// The number a single-precision value stands for: its shortest decimal form (the measurement
// file's text, 0.0036 rather than 0.0035999999), as a double.
double decimalValue(float v)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v);
    double d = v;
    if (written.ec == std::errc())
        std::from_chars(text, written.ptr, d);
    return d;
}

double columnValue(const SAMPLE_TYPE &s, const Column &c)
{
    const float stored = c.series == Series::StO2 ? s.Nirs[3] : float(seriesValue(s, c.series));
    return decimalValue(stored) * c.multiply / c.divide;
}

class SnirfWriter
{
public:
    SnirfWriter(const ExportRecording &r, const ExportProgress &progress)
        : m_r(r), m_progress(progress)
    {
        // One pass over the samples for each data block and each auxiliary series.
        hsize_t passes = r.channels[0].info->Rev2 ? 2 : 1;
        for (const ExportChannel &c : r.channels) {
            for (const SeriesInfo &s : seriesOf(*c.info))
                passes += s.series >= Series::AccX;
        }
        m_rows = passes * hsize_t(r.count);
    }

    bool write(hid_t file);
    QString failure() const { return m_failure; }

private:
    bool fail(const char *what)
    {
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("The SNIRF file could not be written (%1).")
                            .arg(QLatin1String(what));
        return false;
    }
    bool string(hid_t loc, const char *name, const QString &text);
    bool integer(hid_t loc, const char *name, int value);
    bool number(hid_t loc, const char *name, double value);
    bool vector(hid_t loc, const char *name, const std::vector<double> &values);
    bool matrix(hid_t loc, const char *name, hsize_t rows, hsize_t cols,
                const std::vector<double> &values);
    bool series(hid_t loc, const char *name, const QList<Column> &columns,
                hid_t fileType = H5T_IEEE_F64LE);
    bool time(hid_t loc);
    bool metaData(hid_t nirs);
    bool dataBlock(hid_t nirs, const char *name, const QList<Column> &columns,
                   const QStringList &labels, const QStringList &units);
    bool aux(hid_t nirs);
    bool stims(hid_t nirs);
    bool probe(hid_t nirs);
    void advance(hsize_t rows)
    {
        m_done += rows;
        if (m_progress && m_rows > 0)
            m_progress(double(m_done) / double(m_rows));
    }

    const ExportRecording &m_r;
    const ExportProgress &m_progress;
    QString m_failure;
    hsize_t m_rows = 0;
    hsize_t m_done = 0;
    int m_stim = 0;
    bool m_timeWritten = false;
};

bool SnirfWriter::string(hid_t loc, const char *name, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
    if (!type.valid() || H5Tset_size(type.id(), H5T_VARIABLE) < 0 ||
        H5Tset_cset(type.id(), H5T_CSET_UTF8) < 0)
        return fail("string type");
    Handle space(H5Screate(H5S_SCALAR), H5Sclose);
    Handle set(H5Dcreate2(loc, name, type.id(), space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
               H5Dclose);
    const char *data = utf8.constData();
    if (!space.valid() || !set.valid() ||
        H5Dwrite(set.id(), type.id(), H5S_ALL, H5S_ALL, H5P_DEFAULT, &data) < 0 || !set.release())
        return fail(name);
    return true;
}

bool SnirfWriter::integer(hid_t loc, const char *name, int value)
{
    Handle space(H5Screate(H5S_SCALAR), H5Sclose);
    Handle set(
        H5Dcreate2(loc, name, H5T_NATIVE_INT, space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
        H5Dclose);
    if (!space.valid() || !set.valid() ||
        H5Dwrite(set.id(), H5T_NATIVE_INT, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) < 0 ||
        !set.release())
        return fail(name);
    return true;
}

bool SnirfWriter::number(hid_t loc, const char *name, double value)
{
    Handle space(H5Screate(H5S_SCALAR), H5Sclose);
    Handle set(
        H5Dcreate2(loc, name, H5T_NATIVE_DOUBLE, space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
        H5Dclose);
    if (!space.valid() || !set.valid() ||
        H5Dwrite(set.id(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) < 0 ||
        !set.release())
        return fail(name);
    return true;
}

bool SnirfWriter::vector(hid_t loc, const char *name, const std::vector<double> &values)
{
    const hsize_t dims[1] = {values.size()};
    Handle space(H5Screate_simple(1, dims, nullptr), H5Sclose);
    Handle set(
        H5Dcreate2(loc, name, H5T_NATIVE_DOUBLE, space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
        H5Dclose);
    if (!space.valid() || !set.valid() ||
        (!values.empty() &&
         H5Dwrite(set.id(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0) ||
        !set.release())
        return fail(name);
    return true;
}

bool SnirfWriter::matrix(hid_t loc, const char *name, hsize_t rows, hsize_t cols,
                         const std::vector<double> &values)
{
    const hsize_t dims[2] = {rows, cols};
    Handle space(H5Screate_simple(2, dims, nullptr), H5Sclose);
    Handle set(
        H5Dcreate2(loc, name, H5T_NATIVE_DOUBLE, space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
        H5Dclose);
    if (!space.valid() || !set.valid() ||
        (rows * cols > 0 &&
         H5Dwrite(set.id(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0) ||
        !set.release())
        return fail(name);
    return true;
}

// A <samples x columns> series written a block of rows at a time.
bool SnirfWriter::series(hid_t loc, const char *name, const QList<Column> &columns, hid_t fileType)
{
    const hsize_t rows = hsize_t(m_r.count);
    const hsize_t cols = hsize_t(columns.size());
    const hsize_t dims[2] = {rows, cols};
    Handle space(H5Screate_simple(2, dims, nullptr), H5Sclose);
    Handle set(H5Dcreate2(loc, name, fileType, space.id(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
               H5Dclose);
    if (!space.valid() || !set.valid())
        return fail(name);
    std::vector<double> block;
    for (hsize_t first = 0; first < rows; first += ROWS_PER_BLOCK) {
        const hsize_t n = std::min(ROWS_PER_BLOCK, rows - first);
        block.resize(n * cols);
        for (hsize_t i = 0; i < n; ++i) {
            for (hsize_t k = 0; k < cols; ++k) {
                const Column &c = columns[qsizetype(k)];
                const SAMPLE_TYPE &s = m_r.channels[c.channel].samples[first + i];
                block[i * cols + k] = columnValue(s, c);
            }
        }
        const hsize_t start[2] = {first, 0};
        const hsize_t count[2] = {n, cols};
        Handle memory(H5Screate_simple(2, count, nullptr), H5Sclose);
        if (!memory.valid() ||
            H5Sselect_hyperslab(space.id(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0 ||
            H5Dwrite(set.id(), H5T_NATIVE_DOUBLE, memory.id(), space.id(), H5P_DEFAULT,
                     block.data()) < 0)
            return fail(name);
        advance(n);
    }
    if (!set.release())
        return fail(name);
    return true;
}

// Every block shares one time vector: the first "time" is written, the others are links to it.
bool SnirfWriter::time(hid_t loc)
{
    if (m_timeWritten)
        return H5Lcreate_hard(loc, "/nirs/data1/time", loc, "time", H5P_DEFAULT, H5P_DEFAULT) >=
                   0 ||
               fail("time");
    std::vector<double> t(size_t(m_r.count));
    for (int i = 0; i < m_r.count; ++i)
        t[size_t(i)] = sampleSeconds(m_r, i);
    m_timeWritten = vector(loc, "time", t);
    return m_timeWritten;
}

bool SnirfWriter::metaData(hid_t nirs)
{
    Handle tags(H5Gcreate2(nirs, "metaDataTags", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
    if (!tags.valid())
        return fail("metaDataTags");
    QStringList serials;
    for (const ExportChannel &c : m_r.channels)
        serials << serialNumber(*c.info);
    const DATA_INFO_TYPE &info = *m_r.channels[0].info;
    const DateTimeParts start = decodeDateTime(info.Log_start);
    const QString date = QStringLiteral("%1-%2-%3")
                             .arg(start.year, 4, 10, QLatin1Char('0'))
                             .arg(start.month, 2, 10, QLatin1Char('0'))
                             .arg(start.day, 2, 10, QLatin1Char('0'));
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg(start.hour, 2, 10, QLatin1Char('0'))
                              .arg(start.minute, 2, 10, QLatin1Char('0'))
                              .arg(start.second, 2, 10, QLatin1Char('0'));
    const QString name = deviceName(info);
    return string(tags.id(), "SubjectID", serials.join(QLatin1Char(','))) &&
           string(tags.id(), "MeasurementDate", date) &&
           string(tags.id(), "MeasurementTime", clock) &&
           string(tags.id(), "LengthUnit", QStringLiteral("mm")) &&
           string(tags.id(), "TimeUnit", QStringLiteral("s")) &&
           string(tags.id(), "FrequencyUnit", QStringLiteral("Hz")) &&
           string(tags.id(), "ManufacturerName", QStringLiteral("Keldra")) &&
           string(tags.id(), "Model", name.left(name.indexOf(QLatin1Char('-')))) &&
           number(tags.id(), "FatThickness", info.Log_FatThick) &&
           (tags.release() || fail("metaDataTags"));
}

bool SnirfWriter::dataBlock(hid_t nirs, const char *name, const QList<Column> &columns,
                            const QStringList &labels, const QStringList &units)
{
    Handle block(H5Gcreate2(nirs, name, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
    if (!block.valid())
        return fail(name);
    if (!series(block.id(), "dataTimeSeries", columns) || !time(block.id()))
        return false;
    for (qsizetype k = 0; k < columns.size(); ++k) {
        const QByteArray listName = "measurementList" + QByteArray::number(k + 1);
        Handle list(
            H5Gcreate2(block.id(), listName.constData(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
            H5Gclose);
        const int index = columns[k].channel + 1;
        if (!list.valid())
            return fail(listName.constData());
        if (!integer(list.id(), "sourceIndex", index) ||
            !integer(list.id(), "detectorIndex", index) ||
            !integer(list.id(), "wavelengthIndex", 1) || !integer(list.id(), "dataType", 99999) ||
            !string(list.id(), "dataTypeLabel", labels[k]) ||
            !integer(list.id(), "dataTypeIndex", 1) || !string(list.id(), "dataUnit", units[k]))
            return false;
        if (!list.release())
            return fail(listName.constData());
    }
    return block.release() || fail(name);
}

bool SnirfWriter::aux(hid_t nirs)
{
    int n = 0;
    for (qsizetype c = 0; c < m_r.channels.size(); ++c) {
        for (const SeriesInfo &s : seriesOf(*m_r.channels[c].info)) {
            if (s.series < Series::AccX)
                continue; // haemoglobin and StO2 are data
            const QByteArray groupName = "aux" + QByteArray::number(++n);
            Handle group(
                H5Gcreate2(nirs, groupName.constData(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                H5Gclose);
            if (!group.valid())
                return fail(groupName.constData());
            QString label = QLatin1String(s.label);
            if (m_r.channels.size() > 1)
                label = QStringLiteral("CH%1 ").arg(c + 1) + label;
            if (!string(group.id(), "name", label) ||
                !string(group.id(), "dataUnit", QLatin1String(s.unit)) ||
                // The sensor's single-precision values, kept exactly.
                !series(group.id(), "dataTimeSeries", {{int(c), s.series}}, H5T_IEEE_F32LE) ||
                !time(group.id()) || !number(group.id(), "timeOffset", 0.0))
                return false;
            if (!group.release())
                return fail(groupName.constData());
        }
    }
    return true;
}

bool SnirfWriter::stims(hid_t nirs)
{
    struct Stim
    {
        QString name;
        std::vector<double> rows; // onset, duration, value
    };
    QList<Stim> all;
    auto stimNamed = [&](const QString &name) -> Stim & {
        for (Stim &s : all) {
            if (s.name == name)
                return s;
        }
        all.append({name, {}});
        return all.back();
    };
    const double interval = m_r.intervalMs / 1000.0;
    for (qsizetype c = 0; c < m_r.channels.size(); ++c) {
        const QString suffix =
            m_r.channels.size() > 1 ? QStringLiteral(" CH%1").arg(c + 1) : QString();
        for (int32_t e : m_r.channels[c].events) {
            Stim &s = stimNamed(QStringLiteral("Event") + suffix);
            s.rows.insert(s.rows.end(), {sampleSeconds(m_r, e), 0.0, 1.0});
        }
        for (const SampleRun &run : unmeasuredRuns(m_r, int(c))) {
            Stim &s = stimNamed(runLabel(run.kind) + suffix);
            s.rows.insert(s.rows.end(), {sampleSeconds(m_r, run.first), run.count * interval, 1.0});
        }
    }
    for (const Stim &s : all) {
        const QByteArray groupName = "stim" + QByteArray::number(++m_stim);
        Handle group(H5Gcreate2(nirs, groupName.constData(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                     H5Gclose);
        if (!group.valid() || !string(group.id(), "name", s.name) ||
            !matrix(group.id(), "data", s.rows.size() / 3, 3, s.rows) || !group.release())
            return fail(groupName.constData());
    }
    return true;
}

bool SnirfWriter::probe(hid_t nirs)
{
    Handle group(H5Gcreate2(nirs, "probe", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
    if (!group.valid())
        return fail("probe");
    const hsize_t n = hsize_t(m_r.channels.size());
    const std::vector<double> origin(n * 3, 0.0);
    return vector(group.id(), "wavelengths", {0.0, 0.0}) &&
           matrix(group.id(), "sourcePos3D", n, 3, origin) &&
           matrix(group.id(), "detectorPos3D", n, 3, origin) && (group.release() || fail("probe"));
}

bool SnirfWriter::write(hid_t file)
{
    if (!string(file, "formatVersion", QStringLiteral("1.1")))
        return false;
    Handle nirs(H5Gcreate2(file, "nirs", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
    if (!nirs.valid())
        return fail("nirs");
    if (!metaData(nirs.id()))
        return false;

    const bool full = m_r.channels[0].info->Rev2;
    QList<Column> first, second;
    QStringList firstLabels, secondLabels, firstUnits, secondUnits;
    for (int c = 0; c < m_r.channels.size(); ++c) {
        if (full) {
            first << Column{c, Series::OXHb, 1, 1000} << Column{c, Series::DXHb, 1, 1000};
            firstLabels << QStringLiteral("HbO") << QStringLiteral("HbR");
            firstUnits << QStringLiteral("M") << QStringLiteral("M");
        }
        QList<Column> &rest = full ? second : first;
        QStringList &restLabels = full ? secondLabels : firstLabels;
        QStringList &restUnits = full ? secondUnits : firstUnits;
        rest << Column{c, Series::TOHb, 1, 1000} << Column{c, Series::StO2, 100, 1};
        restLabels << QStringLiteral("HbT") << QStringLiteral("StO2");
        restUnits << QStringLiteral("M") << QStringLiteral("%");
    }
    if (!dataBlock(nirs.id(), "data1", first, firstLabels, firstUnits))
        return false;
    if (!second.isEmpty() && !dataBlock(nirs.id(), "data2", second, secondLabels, secondUnits))
        return false;
    if (!aux(nirs.id()) || !stims(nirs.id()) || !probe(nirs.id()))
        return false;
    return nirs.release() || fail("nirs");
}

} // namespace

QString writeSnirf(const ExportRecording &recording, const QString &path,
                   const ExportProgress &progress)
{
    if (const QString problem = recordingProblem(recording); !problem.isEmpty())
        return problem;
    // The library's own error printing is off: every failure is reported here.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    // The file is built in memory (the core driver, nothing written by the library) and its
    // image written as a whole file: a failing disk fails the save, never the library's own
    // close.
    Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    if (!access.valid() || H5Pset_fapl_core(access.id(), CORE_INCREMENT, 0) < 0)
        return QStringLiteral("The SNIRF file could not be set up.");
    SnirfWriter writer(recording, progress);
    std::vector<char> image;
    {
        Handle file(H5Fcreate("export.snirf", H5F_ACC_TRUNC, H5P_DEFAULT, access.id()), H5Fclose);
        if (!file.valid())
            return QStringLiteral("The SNIRF file could not be set up.");
        if (!writer.write(file.id()))
            return writer.failure();
        if (H5Fflush(file.id(), H5F_SCOPE_GLOBAL) < 0)
            return QStringLiteral("The SNIRF file could not be completed.");
        const ssize_t size = H5Fget_file_image(file.id(), nullptr, 0);
        if (size <= 0)
            return QStringLiteral("The SNIRF file could not be completed.");
        image.resize(size_t(size));
        if (H5Fget_file_image(file.id(), image.data(), image.size()) != size || !file.release())
            return QStringLiteral("The SNIRF file could not be completed.");
    }
    if (!writeWholeFile(path, QByteArray::fromRawData(image.data(), qsizetype(image.size()))))
        return QStringLiteral("The SNIRF file could not be saved.");
    return {};
}
