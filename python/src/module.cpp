// The Python module `veltrane`: parameter lines and records, images read and
// written, interlacing, and the camera rig, on numpy arrays. An image is a
// C-contiguous uint8 array of rows x columns x 3, blue first as the programs'
// files are decoded; it is read in place, never copied, and the engine runs
// with the interpreter's lock released. Failures are exceptions carrying the
// programs' own one-line messages.
#include "veltrane/engine/interlace.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/view_files.h"
#include "veltrane/rig/camera_rig.h"
#include "veltrane/simulator/lens_view.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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
    if (name == "lines")
        return Weighting::Lines;
    if (name == "full")
        return Weighting::Full;
    throw py::value_error("weights must be 'lines' or 'full', not '" + name + "'");
}

py::array_t<std::uint8_t> interlace(const Calibration& calibration, const std::vector<py::array>& views,
                                    const std::string& weights)
{
    if (views.empty())
        throw py::value_error("give at least one view");
    std::vector<cv::Mat> images;
    for (const py::array& view : views) {
        images.push_back(imageOf(view, "a view"));
        if (images.back().size() != images.front().size())
            throw py::value_error("the views must all be of one size");
    }
    EngineOptions options;
    options.weighting = weightingOf(weights);
    py::array_t<std::uint8_t> output({images.front().rows, images.front().cols, 3});
    cv::Mat into(images.front().rows, images.front().cols, CV_8UC3, output.mutable_data());
    Status status;
    {
        py::gil_scoped_release unlocked;
        status = interlaceViews(calibration, images, into, options);
    }
    if (status != Status::Done)
        throw py::value_error(std::string("the views cannot be interlaced: ") + statusText(status));
    return output;
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
        .def_readwrite("measures", &CalibrationRecord::measures);
    module.def("load_record", &loadRecord, py::arg("file"), "A calibration record, as the programs read it.");
    module.def("save_record", &saveRecord, py::arg("file"), py::arg("record"),
               "Writes a calibration record whole (never over a file that is not a record).");

    module.def("read_image", &readImage, py::arg("file"), "An image file as rows x columns x 3 uint8, blue first.");
    module.def("write_png", &writePng, py::arg("file"), py::arg("image"), py::arg("force") = false,
               "Writes a PNG whole, never over an existing file unless force.");
    module.def("interlace", &interlace, py::arg("calibration"), py::arg("views"), py::arg("weights") = "lines",
               "The interlaced image of the views (a list of arrays of one size), as veltrane-interlace makes it.");

    module.def("see", &see, py::arg("panel"), py::arg("sheet"), py::arg("gap"), py::arg("distance"),
               py::arg("offset") = 0.0, py::arg("height") = 0.0, py::arg("view_count") = 1, py::arg("spot") = 1.0,
               "What an eye distance from the sheet, offset right of and height above the panel's middle (subpixel "
               "columns), sees of the panel through the sheet gap above it, as veltrane-simulate shows it.");

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
