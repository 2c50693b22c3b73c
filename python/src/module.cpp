// The Python module `veltrane`: parameter lines and records, images read and
// written, interlacing of views and quilts, what an eye sees, an autocal
// round from a photo, and the camera rig, on numpy arrays. An image is a
// C-contiguous uint8 array of rows x columns x 3, blue first as the programs'
// files are decoded; it is read in place, never copied (but a quilt, turned
// red first as quilt files are, and a photo, which is turned upright in its
// own memory), and the engine runs with the interpreter's lock released. Failures are exceptions carrying the
// programs' own one-line messages.
#include "veltrane/autocal/photo_round.h"
#include "veltrane/content/quilt.h"
#include "veltrane/content/view_order.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/rig/camera_rig.h"
#include "veltrane/simulator/lens_view.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <opencv2/imgproc.hpp>

#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;
using namespace veltrane;

namespace {

// The array as an image of its own memory; ValueError for anything else.
cv::Mat imageOf(const py::array& array, const char* what)
{
    if (!py::dtype::of<std::uint8_t>().is(array.dtype()))
        throw py::value_error(std::string(what) + " must be of dtype uint8, not " +
                              std::string(py::str(array.dtype())));
    if (array.ndim() != 3 || array.shape(2) != 3)
        throw py::value_error(std::string(what) + " must be an array of rows x columns x 3");
    if (!(array.flags() & py::array::c_style))
        throw py::value_error(std::string(what) + " must be C-contiguous (numpy.ascontiguousarray makes it so)");
    if (array.shape(0) == 0 || array.shape(1) == 0 || array.shape(0) > MaxImageSide || array.shape(1) > MaxImageSide)
        throw py::value_error(std::string(what) + " must have from 1 to " + std::to_string(MaxImageSide) +
                              " rows and columns");
    return cv::Mat(static_cast<int>(array.shape(0)), static_cast<int>(array.shape(1)), CV_8UC3,
                   const_cast<void*>(array.data()));
}

// A new array that owns a copy of image (its only copy: the engine's output
// is made in it).
py::array_t<std::uint8_t> arrayOf(const cv::Mat& image)
{
    py::array_t<std::uint8_t> array({image.rows, image.cols, 3});
    cv::Mat into(image.rows, image.cols, CV_8UC3, array.mutable_data());
    image.copyTo(into);
    return array;
}

Weighting weightingOf(const std::string& name)
{
    Weighting weighting;
    if (!readWeighting(name, weighting))
        throw py::value_error("weights must be 'lines' or 'full', not '" + name + "'");
    return weighting;
}

// views[v] shown as view viewOf[v], as veltrane-interlace's --reverse and
// --view-offset order them.
py::array_t<std::uint8_t> interlace(const Calibration& calibration, const std::vector<py::array>& views,
                                    const std::string& weights, bool reverse, int viewOffset)
{
    if (views.empty())
        throw py::value_error("give at least one view");
    const std::vector<int> viewOf = viewOfSource(static_cast<int>(views.size()), reverse, viewOffset);
    const cv::Size size = imageOf(views.front(), "a view").size();
    std::vector<cv::Mat> images(views.size());
    for (std::size_t v = 0; v < views.size(); ++v) {
        cv::Mat& image = images[static_cast<std::size_t>(viewOf[v])];
        image = imageOf(views[v], "a view");
        if (image.size() != size)
            throw py::value_error("the views must all be of one size");
    }
    EngineOptions options;
    options.weighting = weightingOf(weights);
    py::array_t<std::uint8_t> output({size.height, size.width, 3});
    cv::Mat into(size.height, size.width, CV_8UC3, output.mutable_data());
    Status status;
    {
        py::gil_scoped_release unlocked;
        status = interlaceViews(calibration, images, into, options);
    }
    if (status != Status::Done)
        throw py::value_error(std::string("the views cannot be interlaced: ") + statusText(status));
    return output;
}

// The quilt's tiles (view 0 at the bottom left, or the top left) composed at
// the panel's size, as veltrane-interlace composes a quilt file.
py::array_t<std::uint8_t> interlaceQuilt(const Calibration& calibration, const py::array& quilt, int columns,
                                         int rows, std::pair<int, int> size, const std::string& weights,
                                         bool topLeft, bool nearestTiles)
{
    const cv::Mat image = imageOf(quilt, "the quilt");
    if (columns < 1 || rows < 1 || static_cast<long>(columns) * rows > MaxViews)
        throw py::value_error("a quilt holds from 1 to " + std::to_string(MaxViews) + " tiles");
    if (image.cols % columns != 0 || image.rows % rows != 0)
        throw py::value_error("the quilt is " + sizeText(image.size()) + ", not divisible into " +
                              std::to_string(columns) + " x " + std::to_string(rows) + " tiles");
    if (size.first < 1 || size.second < 1 || size.first > MaxImageSide || size.second > MaxImageSide)
        throw py::value_error("the output's size must be from 1 to " + std::to_string(MaxImageSide) + " a side");
    const Weighting weighting = weightingOf(weights);
    py::array_t<std::uint8_t> output({size.second, size.first, 3});
    cv::Mat into(size.second, size.first, CV_8UC3, output.mutable_data());
    Status status;
    {
        py::gil_scoped_release unlocked;
        cv::Mat redFirst; // the tiles are composed red first, as a quilt file is decoded
        cv::cvtColor(image, redFirst, cv::COLOR_BGR2RGB);
        into.setTo(cv::Scalar::all(0));
        std::vector<int> viewOf(static_cast<std::size_t>(columns * rows));
        for (std::size_t v = 0; v < viewOf.size(); ++v)
            viewOf[v] = static_cast<int>(v);
        status = addQuiltTiles(redFirst, columns, rows, topLeft, calibration, viewOf, into, nearestTiles, weighting);
    }
    if (status != Status::Done)
        throw py::value_error(std::string("the quilt cannot be interlaced: ") + statusText(status));
    return output;
}

// One autocal round from a photo of its pattern.
PhotoRound autocalRound(const py::array& photo, std::optional<Calibration> guess,
                        std::optional<std::pair<int, int>> size)
{
    PhotoGuess given{guess, size ? cv::Size(size->first, size->second) : cv::Size()};
    const cv::Mat image = imageOf(photo, "the photo");
    PhotoRound round;
    Outcome outcome;
    {
        py::gil_scoped_release unlocked;
        outcome = roundFromPhoto(image.clone(), given, round); // the photo is turned in its own memory
    }
    if (!outcome)
        throw py::value_error(outcome.message);
    return round;
}

Calibration parseLine(const std::string& text)
{
    Calibration calibration;
    std::string message;
    if (!parseParameterLine(text, calibration, message))
        throw py::value_error(message);
    return calibration;
}

CalibrationRecord loadRecord(const std::string& file)
{
    CalibrationRecord record;
    std::string message;
    if (!loadCalibrationRecord(file, record, message))
        throw py::value_error(message);
    return record;
}

void saveRecord(const std::string& file, const CalibrationRecord& record)
{
    std::string message;
    if (!saveCalibrationRecord(file, record, isoTimeNow(), message))
        throw py::value_error(message);
}

py::array_t<std::uint8_t> readImage(const std::string& file)
{
    std::string problem;
    const cv::Mat image = loadViewImage(file, problem);
    if (image.empty())
        throw py::value_error(file + " cannot be read: " + problem);
    return arrayOf(image);
}

void writePng(const std::string& file, const py::array& image, bool force)
{
    std::string message;
    if (!writePngFile(file, imageOf(image, "the image"), force ? Replace::Allowed : Replace::Refused, message))
        throw py::value_error(message);
}

py::array_t<std::uint8_t> see(const py::array& panel, const Calibration& sheet, double gap, double distance,
                              double offset, double height, int viewCount, double spot)
{
    const cv::Mat shown = imageOf(panel, "the panel");
    cv::Mat seen;
    Status status;
    {
        py::gil_scoped_release unlocked;
        status = seeThroughSheet(LensSheet{sheet, viewCount, gap}, Eye{distance, offset, height}, shown, seen,
                                 SeeingOptions{spot});
    }
    if (status != Status::Done)
        throw py::value_error(std::string("the sheet cannot be seen through from there: ") + statusText(status));
    return arrayOf(seen);
}

CameraRig rigOf(const CalibrationRecord& record, int views, double distance)
{
    const std::optional<SheetMeasures> measures = sheetMeasures(record.measures);
    if (!measures)
        throw py::value_error("the record needs gap_mm, panel_width_mm and viewing_distance_mm for a rig");
    CameraRig rig;
    const Status status = cameraRig(record.calibration, *measures, cv::Size(record.width, record.height), views,
                                    distance, rig);
    if (status != Status::Done)
        throw py::value_error(std::string("no rig for these numbers: ") + statusText(status));
    return rig;
}

} // namespace

PYBIND11_MODULE(veltrane, module)
{
    module.doc() = "Veltrane: interlacing for slanted lens sheets, calibration records and the camera rig";

    py::enum_<ChannelOrder>(module, "ChannelOrder").value("BGR", ChannelOrder::Bgr).value("RGB", ChannelOrder::Rgb);
    py::class_<Calibration>(module, "Calibration")
        .def(py::init<>())
        .def_readwrite("x", &Calibration::x)
        .def_readwrite("y", &Calibration::y)
        .def_readwrite("pitch", &Calibration::pitch)
        .def_readwrite("mirror", &Calibration::mirror)
        .def_readwrite("view_phase", &Calibration::viewPhase)
        .def_readwrite("subpixel_order", &Calibration::subpixelOrder)
        .def("__repr__", [](const Calibration& c) { return "<veltrane.Calibration '" + parameterLine(c) + "'>"; });
    module.def("parse_parameter_line", &parseLine, py::arg("line"),
               "The numbers of a line as veltrane-calibrator prints it ('-x 6 -y 1152 -pitch 8.25 -mirror').");
    module.def("parameter_line", &parameterLine, py::arg("calibration"), "The line veltrane-calibrator prints.");

    py::class_<RecordedMeasures>(module, "Measures")
        .def(py::init<>())
        .def_readwrite("viewing_distance_mm", &RecordedMeasures::viewingDistance)
        .def_readwrite("gap_mm", &RecordedMeasures::gap)
        .def_readwrite("panel_width_mm", &RecordedMeasures::panelWidth);
    py::class_<CalibrationRecord>(module, "Record")
        .def(py::init<>())
        .def_readwrite("calibration", &CalibrationRecord::calibration)
        .def_readwrite("width", &CalibrationRecord::width)
        .def_readwrite("height", &CalibrationRecord::height)
        .def_readwrite("measures", &CalibrationRecord::measures)
        .def_readwrite("reverse", &CalibrationRecord::reverse)
        .def_readwrite("view_offset", &CalibrationRecord::viewOffset)
        .def_property(
            "weights",
            [](const CalibrationRecord& r) -> py::object {
                return r.weighting ? py::str(weightingName(*r.weighting)) : py::object(py::none());
            },
            [](CalibrationRecord& r, const std::optional<std::string>& name) {
                r.weighting = name ? std::optional<Weighting>(weightingOf(*name)) : std::nullopt;
            },
            "How the content is composed, 'full' or 'lines' (None: not recorded).");
    module.def("load_record", &loadRecord, py::arg("file"), "A calibration record, as the programs read it.");
    module.def("save_record", &saveRecord, py::arg("file"), py::arg("record"),
               "Writes a calibration record whole (never over a file that is not a record).");

    module.def("read_image", &readImage, py::arg("file"), "An image file as rows x columns x 3 uint8, blue first.");
    module.def("write_png", &writePng, py::arg("file"), py::arg("image"), py::arg("force") = false,
               "Writes a PNG whole, never over an existing file unless force.");
    module.def("interlace", &interlace, py::arg("calibration"), py::arg("views"), py::arg("weights") = "full",
               py::arg("reverse") = false, py::arg("view_offset") = 0,
               "The interlaced image of the views (a list of arrays of one size), as veltrane-interlace makes it; "
               "weights 'full' (its default) or 'lines'; reverse and view_offset order the views as its --reverse "
               "and --view-offset do (and a record's reverse and view_offset).");

    module.def("see", &see, py::arg("panel"), py::arg("sheet"), py::arg("gap"), py::arg("distance"),
               py::arg("offset") = 0.0, py::arg("height") = 0.0, py::arg("view_count") = 1, py::arg("spot") = 1.0,
               "What an eye distance from the sheet, offset right of and height above the panel's middle (subpixel "
               "columns), sees of the panel through the sheet gap above it, as veltrane-simulate shows it.");

    module.def("interlace_quilt", &interlaceQuilt, py::arg("calibration"), py::arg("quilt"), py::arg("columns"),
               py::arg("rows"), py::arg("size"), py::arg("weights") = "full", py::arg("top_left") = false,
               py::arg("nearest_tiles") = false,
               "The interlaced image (size: (width, height)) of a quilt of columns x rows tiles, view 0 at the bottom "
               "left (top_left: the top left), as veltrane-interlace makes it of a quilt file.");

    py::class_<PhotoRound>(module, "AutocalRound")
        .def_property_readonly("calibration", [](const PhotoRound& r) { return r.result.calibration; })
        .def_property_readonly("guess", [](const PhotoRound& r) { return r.shown.guess; })
        .def_property_readonly("size", [](const PhotoRound& r) { return py::make_tuple(r.shown.display.width,
                                                                                       r.shown.display.height); })
        .def_property_readonly("round", [](const PhotoRound& r) { return r.shown.round; })
        .def_property_readonly("misfit", [](const PhotoRound& r) { return r.result.misfit; })
        .def_readonly("notes", &PhotoRound::notes);
    module.def("autocal_round", &autocalRound, py::arg("photo"), py::arg("guess") = py::none(),
               py::arg("size") = py::none(),
               "One round of veltrane-autocal from a photo of its pattern: the numbers found (the guess and the "
               "display's size from the pattern's code, or those given for a photo without one).");

    py::class_<RigCamera>(module, "RigCamera")
        .def_readonly("view", &RigCamera::view)
        .def_property_readonly("place", [](const RigCamera& c) { return py::make_tuple(c.place.x, c.place.y, c.place.z); })
        .def_readonly("left", &RigCamera::left)
        .def_readonly("right", &RigCamera::right)
        .def_readonly("bottom", &RigCamera::bottom)
        .def_readonly("top", &RigCamera::top)
        .def_readonly("shift_x", &RigCamera::shiftX)
        .def_readonly("shift_y", &RigCamera::shiftY);
    py::class_<CameraRig>(module, "CameraRig")
        .def_readonly("cameras", &CameraRig::cameras)
        .def_readonly("distance", &CameraRig::distance)
        .def_readonly("gap", &CameraRig::gap)
        .def_readonly("spacing", &CameraRig::spacing)
        .def_readonly("width", &CameraRig::width)
        .def_readonly("height", &CameraRig::height)
        .def_readonly("field_of_view", &CameraRig::fieldOfView)
        .def_readonly("lens_width", &CameraRig::lensWidth)
        .def_readonly("sharp_in_front", &CameraRig::sharpInFront)
        .def_readonly("sharp_behind", &CameraRig::sharpBehind)
        .def_readonly("numbers", &CameraRig::numbers)
        .def("blur_at", &blurAt, py::arg("depth"),
             "Lens widths a point depth mm in front of the panel moves between neighbouring views.");
    module.def("camera_rig", &rigOf, py::arg("record"), py::arg("views"), py::arg("distance") = 0.0,
               "The cameras for views views at distance mm from the sheet (0: the record's viewing distance).");
}
