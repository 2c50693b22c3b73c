#include "veltrane/records/calibration_record.h"

#include "veltrane/records/atomic_file.h"
#include "veltrane/records/value_text.h"

#include "bounded_file.h"
#include "record_text.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <vector>

namespace veltrane {

namespace {

constexpr double Pi = 3.14159265358979323846;

bool endsWith(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// The format by the name; the writer is given only the format and a neutral
// name, since it reads parameters from a name ("?" and what follows).
int formatOf(const std::string& file)
{
    return endsWith(file, ".json") ? cv::FileStorage::FORMAT_JSON : cv::FileStorage::FORMAT_YAML;
}

// The first key that the record's top level has twice; empty when none.
std::string repeatedKey(const cv::FileNode& root)
{
    std::vector<std::string> seen;
    for (auto it = root.begin(); it != root.end(); ++it) {
        const std::string name = (*it).name();
        if (std::find(seen.begin(), seen.end(), name) != seen.end())
            return name;
        seen.push_back(name);
    }
    return "";
}

// The sheet's measures, each with its key and the range a record takes.
struct Millimetres {
    const char* key;
    const char* range; // as a message says it
    double low;
    double high;
    std::optional<double> RecordedMeasures::*field;
};

constexpr Millimetres Measures[] = {
    {"viewing_distance_mm", "10 to 100000", 10.0, 100000.0, &RecordedMeasures::viewingDistance},
    {"gap_mm", "0 to 100", 0.0, 100.0, &RecordedMeasures::gap},
    {"panel_width_mm", "1 to 100000", 1.0, 100000.0, &RecordedMeasures::panelWidth},
};

// The measures the record has, each a number in its range.
bool readMeasures(const cv::FileNode& root, CalibrationRecord& record, std::string& message)
{
    for (const Millimetres& measure : Measures) {
        record.measures.*measure.field = std::nullopt;
        const cv::FileNode node = root[measure.key];
        if (node.empty())
            continue;
        const double value = node.isReal() || node.isInt() ? static_cast<double>(node) : NAN;
        if (!(value >= measure.low && value <= measure.high)) {
            message = std::string("'") + measure.key + "' is not a length from " + measure.range + " mm";
            return false;
        }
        record.measures.*measure.field = value;
    }
    return true;
}

void writeRecord(cv::FileStorage& storage, const CalibrationRecord& record, const std::string& savedAt)
{
    const Calibration& c = record.calibration;
    storage << "x" << c.x << "y" << c.y << "pitch" << c.pitch << "mirror" << (c.mirror ? 1 : 0);
    storage << "width" << record.width << "height" << record.height;
    const double perRow = c.y > 0 ? static_cast<double>(c.x) / c.y : 0.0; // pixels sideways per row
    storage << "subpixels_per_row" << 3.0 * perRow;
    storage << "angle_degrees" << (c.mirror ? -1.0 : 1.0) * std::atan(perRow) * 180.0 / Pi;
    storage << "lens_width_pixels" << c.pitch / 3.0;
    storage << "view_phase" << c.viewPhase;
    storage << "subpixel_order" << (c.subpixelOrder == ChannelOrder::Bgr ? "bgr" : "rgb");
    if (record.reverse)
        storage << "reverse" << 1;
    if (record.viewOffset != 0)
        storage << "view_offset" << record.viewOffset;
    if (record.weighting)
        storage << "weights" << weightingName(*record.weighting);
    for (const Millimetres& measure : Measures)
        if (const std::optional<double>& value = record.measures.*measure.field)
            storage << measure.key << *value;
    storage << "screen" << record.screen << "saved" << savedAt;
}

// An int node, within [low, high].
bool readInt(const cv::FileNode& node, const char* key, int low, int high, int& value, std::string& message)
{
    const cv::FileNode item = node[key];
    if (item.empty() || !item.isInt()) {
        message = std::string("'") + key + "' is missing or not a whole number";
        return false;
    }
    value = static_cast<int>(item);
    if (value < low || value > high) {
        message = std::string("'") + key + "' is " + std::to_string(value) + ", out of range";
        return false;
    }
    return true;
}

// The view phase and the panel's subpixel order: 0 and rgb when not given.
bool readDisplayFields(const cv::FileNode& root, Calibration& c, std::string& message)
{
    c.viewPhase = 0.0;
    c.subpixelOrder = ChannelOrder::Rgb;
    const cv::FileNode phase = root["view_phase"];
    if (!phase.empty()) {
        const double value = phase.isReal() || phase.isInt() ? static_cast<double>(phase) : NAN;
        if (!std::isfinite(value) || std::fabs(value) > MaxViewPhase) {
            message = "'view_phase' is not a number of views from -" + std::to_string(MaxViewPhase) + " to " +
                      std::to_string(MaxViewPhase);
            return false;
        }
        c.viewPhase = value;
    }
    const cv::FileNode order = root["subpixel_order"];
    if (!order.empty()) {
        const std::string text = order.isString() ? static_cast<std::string>(order) : "";
        if (!readSubpixelOrder(text, c.subpixelOrder)) {
            message = "'subpixel_order' is neither rgb nor bgr";
            return false;
        }
    }
    return true;
}

// The weighting, when the record has one.
bool readWeightingField(const cv::FileNode& root, CalibrationRecord& record, std::string& message)
{
    record.weighting.reset();
    const cv::FileNode node = root["weights"];
    if (node.empty())
        return true;
    Weighting weighting = Weighting::Full;
    if (!node.isString() || !readWeighting(static_cast<std::string>(node), weighting)) {
        message = "'weights' is neither lines nor full";
        return false;
    }
    record.weighting = weighting;
    return true;
}

bool readFields(const cv::FileStorage& storage, CalibrationRecord& record, std::string& message)
{
    const cv::FileNode root = storage.root();
    if (!root.isMap()) {
        message = "it holds no keys";
        return false;
    }
    const std::string repeated = repeatedKey(root);
    if (!repeated.empty()) {
        message = "'" + printable(repeated) + "' is given twice";
        return false;
    }
    Calibration& c = record.calibration;
    int mirror = 0;
    if (!readInt(root, "x", 0, MaxSlantTerm, c.x, message) || !readInt(root, "y", 1, MaxSlantTerm, c.y, message) ||
        !readInt(root, "mirror", 0, 1, mirror, message))
        return false;
    c.mirror = mirror == 1;
    const cv::FileNode pitch = root["pitch"];
    if (pitch.empty() || !(pitch.isReal() || pitch.isInt()) || !pitchInRange(static_cast<double>(pitch))) {
        message = "'pitch' is missing or not a pitch from 1 to 999.9999";
        return false;
    }
    c.pitch = static_cast<double>(pitch);
    record.width = record.height = 0;
    if (!root["width"].empty() && !readInt(root, "width", 0, MaxImageSide, record.width, message))
        return false;
    if (!root["height"].empty() && !readInt(root, "height", 0, MaxImageSide, record.height, message))
        return false;
    if (root["screen"].isString())
        record.screen = static_cast<std::string>(root["screen"]);
    int reverse = 0;
    record.viewOffset = 0;
    if ((!root["reverse"].empty() && !readInt(root, "reverse", 0, 1, reverse, message)) ||
        (!root["view_offset"].empty() &&
         !readInt(root, "view_offset", -std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                  record.viewOffset, message)))
        return false;
    record.reverse = reverse == 1;
    return readWeightingField(root, record, message) && readDisplayFields(root, c, message) &&
           readMeasures(root, record, message);
}

} // namespace

namespace {

// A small YAML, JSON or XML document of keys: a record, perhaps one with a
// value missing or out of range, that a save may replace.
bool recordLike(const std::string& file)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error) && std::filesystem::file_size(file, error) == 0)
        return true; // nothing to lose
    std::vector<unsigned char> bytes;
    std::string problem;
    if (!readBoundedFile(file, MaxRecordBytes, "a record", bytes, problem))
        return false;
    const std::string text(bytes.begin(), bytes.end());
    if (!recordTextAcceptable(text, problem))
        return false;
    try {
        const cv::FileStorage storage(parsableRecordText(text), cv::FileStorage::READ | cv::FileStorage::MEMORY);
        return storage.isOpened() && storage.root().isMap();
    } catch (const cv::Exception&) {
        return false;
    }
}

// A record replaces only a record: any other file (a photo, a video, a
// render) named by mistake is kept.
bool onlyARecordThere(const std::string& file, std::string& message)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error)) || recordLike(file))
        return true;
    message = "'" + printable(file) + "' exists and is not a calibration record: save to another name";
    return false;
}

} // namespace

bool recordCanBeWritten(const std::string& file, std::string& message)
{
    std::string reason;
    if (!folderCanBeWritten(file, reason)) {
        message = "cannot save to '" + printable(file) + "': " + reason;
        return false;
    }
    return onlyARecordThere(file, message);
}

bool saveCalibrationRecord(const std::string& file, const CalibrationRecord& record, const std::string& savedAt,
                           std::string& message)
{
    if (!onlyARecordThere(file, message))
        return false;
    std::string text;
    try {
        cv::FileStorage storage("", cv::FileStorage::WRITE | cv::FileStorage::MEMORY | formatOf(file));
        writeRecord(storage, record, savedAt);
        text = storage.releaseAndGetString();
    } catch (const cv::Exception& failure) {
        message = "cannot write '" + printable(file) + "': " + printable(failure.err);
        return false;
    }
    AtomicFile output(file);
    std::string problem;
    if (!output.write(std::vector<unsigned char>(text.begin(), text.end()), problem) ||
        !output.commit(Replace::Allowed, problem)) {
        message = "cannot save '" + printable(file) + "': " + problem;
        return false;
    }
    return true;
}

bool loadCalibrationRecord(const std::string& file, CalibrationRecord& record, std::string& message)
{
    const std::string name = "calibration record '" + printable(file) + "'";
    std::vector<unsigned char> bytes;
    std::string problem;
    if (!readBoundedFile(file, MaxRecordBytes, "a calibration record of at most " + std::to_string(MaxRecordBytes) + " bytes",
                         bytes, problem)) {
        message = name + ": " + problem;
        return false;
    }
    const std::string text(bytes.begin(), bytes.end());
    if (!recordTextAcceptable(text, problem)) {
        message = name + ": " + problem;
        return false;
    }
    try {
        // Parsed from memory: the parser takes nothing from the file's name.
        const cv::FileStorage storage(parsableRecordText(text), cv::FileStorage::READ | cv::FileStorage::MEMORY);
        if (!storage.isOpened()) {
            message = name + " cannot be read";
            return false;
        }
        if (!readFields(storage, record, problem)) {
            message = name + ": " + problem;
            return false;
        }
    } catch (const cv::Exception&) {
        message = name + " is not YAML, JSON or XML that can be parsed";
        return false;
    }
    return true;
}

std::string isoTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso = text; // +0100 -> +01:00
    if (iso.size() > 2)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

std::optional<SheetMeasures> sheetMeasures(const RecordedMeasures& measures)
{
    if (!measures.viewingDistance || !measures.gap || !measures.panelWidth)
        return std::nullopt;
    return SheetMeasures{*measures.gap, *measures.panelWidth, *measures.viewingDistance};
}

} // namespace veltrane
