// brixel._native: the exported functions and the toolkit's checks, as plain
// Python values. The package around it (python/brixel) gives them their
// Pythonic shape; nothing here decides what a Python user sees beyond types.
// Every call that reaches the library lets go of the GIL while it waits for
// the lock and the device.

#include <BrixelLibrary.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "infoframe/infoframe_bytes.h"
#include "python/native/calls.h"
#include "settings/readback_sizes.h"
#include "settings/setting_codes.h"
#include "toolkit/edid_file.h"
#include "toolkit/infoframe_text.h"
#include "toolkit/matrix_values.h"
#include "toolkit/setting_values.h"
#include "toolkit/status_values.h"

namespace py = pybind11;

namespace brixel::python {
namespace {

using Point = std::pair<double, double>;

template <typename Call>
Outcome onDevice(const std::string& path, Call&& call) {
    py::gil_scoped_release unlocked;
    return Calls::instance().run(path, std::forward<Call>(call));
}

py::bytes asBytes(std::span<const uint8_t> bytes) {
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<uint8_t> fromBytes(const py::bytes& data) {
    const std::string_view view(data);
    return {view.begin(), view.end()};
}

std::string problemsText(const std::string& what, const std::vector<std::string>& problems) {
    std::string text = what;
    for (const auto& p : problems) text += "\n  " + p;
    return text;
}

SB_VALUES matrixFrom(const std::vector<double>& values) {
    if (values.size() != toolkit::matrixRecordFields.size())
        throw std::invalid_argument("a matrix is 12 values, not " + std::to_string(values.size()));
    SB_VALUES record{};
    for (std::size_t k = 0; k < values.size(); ++k) record.*toolkit::matrixRecordFields[k].field = values[k];
    return record;
}

std::vector<double> matrixValues(const SB_VALUES& record) {
    std::vector<double> values;
    for (const auto& field : toolkit::matrixRecordFields) values.push_back(record.*field.field);
    return values;
}

const SettingCode& settingRowOf(int code) {
    for (const auto& row : settingCodes)
        if (row.code == code) return row;
    throw std::invalid_argument("no exported function sends setting code " + std::to_string(code));
}

uint8_t valueByteOf(int value) {
    if (value < 0 || value > 255) throw std::invalid_argument("a value byte is 0 to 255, not " + std::to_string(value));
    return static_cast<uint8_t>(value);
}

// The device calls --------------------------------------------------------------

Outcome setting(const std::string& path, int code, int value) {
    const SettingCode& row = settingRowOf(code);
    const uint8_t byte = valueByteOf(value);
    return onDevice(path, [&] { return row.wrapper(byte); });
}

Outcome setState(const std::string& path, int code, int value) {
    const uint8_t c = valueByteOf(code);
    const uint8_t v = valueByteOf(value);
    if (const auto refusal = toolkit::settingRefusal(c, v)) throw std::invalid_argument(*refusal);
    return onDevice(path, [&] { return setBrixelState(static_cast<BRIXEL_CMD>(c), v); });
}

py::tuple firmwareVersion(const std::string& path) {
    std::array<char, firmwareTextSize> text{};
    const Outcome outcome = onDevice(path, [&] { return getFwVersion(text.data()); });
    return py::make_tuple(outcome, std::string(text.data(), strnlen(text.data(), text.size())));
}

py::tuple stateBlock(const std::string& path) {
    std::array<uint8_t, stateBlockSize> state{};
    const Outcome outcome = onDevice(path, [&] { return getBrixelState(state.data()); });
    return py::make_tuple(outcome, asBytes(state));
}

py::tuple status(const std::string& path) {
    VIDEO_STATUS report{};
    const Outcome outcome = onDevice(path, [&] { return getVideoFormat(&report); });
    return py::make_tuple(outcome, toolkit::statusReportJson(report).dump());
}

py::tuple readEdid(const std::string& path, bool sink) {
    edid::Edid bytes{};
    const Outcome outcome = onDevice(path, [&] { return sink ? getSinkEdid(bytes.data()) : getEdid(bytes.data()); });
    return py::make_tuple(outcome, asBytes(bytes));
}

Outcome writeEdid(const std::string& path, const py::bytes& data) {
    std::vector<uint8_t> bytes = fromBytes(data);
    if (bytes.size() != edid::edidSize)
        throw std::invalid_argument("the device takes 256 EDID bytes, not " + std::to_string(bytes.size()));
    return onDevice(path, [&] { return setCustomEdid(bytes.data()); });
}

Outcome installEdid(const std::string& path, int value) {
    const auto* row = edid::rowFor(value);
    if (!row) throw std::invalid_argument(std::to_string(value) + " names no built-in EDID: 2 to 25");
    return onDevice(path, [&] { return changeCustomEdid(row->value); });
}

void checkInfoFrameText(const std::string& text, std::size_t maxBytes) {
    const auto problems = toolkit::infoFrameTextProblems(text, maxBytes);
    if (!problems.empty()) throw std::invalid_argument(problemsText("the InfoFrame text is not usable:", problems));
}

Outcome setAviInfoFrame(const std::string& path, std::string text) {
    checkInfoFrameText(text, infoframe::aviMaxBytes);
    return onDevice(path, [&] { return setAviIf(text.data()); });
}

Outcome setHdrInfoFrame(const std::string& path, std::string text, bool fillChecksum) {
    checkInfoFrameText(text, infoframe::hdrMaxBytes);
    return onDevice(path, [&] { return setHdrIf(text.data(), fillChecksum); });
}

py::tuple matrix(const std::string& path) {
    SB_VALUES record{};
    const Outcome outcome = onDevice(path, [&] { return get3x(&record); });
    return py::make_tuple(outcome, matrixValues(record));
}

void checkMatrix(const std::vector<double>& values) {
    const SB_VALUES record = matrixFrom(values);
    std::vector<std::string> problems;
    for (const auto& field : toolkit::matrixRecordFields)
        if (auto problem = toolkit::matrixValueProblem(field, record.*field.field)) problems.push_back(*problem);
    if (!problems.empty()) throw std::invalid_argument(problemsText("the matrix values are not usable:", problems));
}

Outcome setMatrix(const std::string& path, const std::vector<double>& values) {
    checkMatrix(values);
    SB_VALUES record = matrixFrom(values);
    return onDevice(path, [&] { return set3x(&record); });
}

std::vector<double> defaultMatrix() {
    SB_VALUES record{};
    // No device traffic, but a library call all the same: not beside another.
    py::gil_scoped_release unlocked;
    Calls::instance().exclusive([&] { reset3x(&record); });
    return matrixValues(record);
}

// Pure work ------------------------------------------------------------------

py::tuple edidFromContent(const py::bytes& content) {
    std::string error;
    const auto read = toolkit::readEdidBytes(std::string_view(content), error);
    if (!read) throw std::invalid_argument(error);
    std::vector<std::string> notes;
    const auto bytes = toolkit::edidForDevice(*read, notes, error);
    if (!bytes) throw std::invalid_argument(error);
    return py::make_tuple(asBytes(*bytes), read->form, notes);
}

py::tuple fixEdidChecksums(const py::bytes& data) {
    std::vector<uint8_t> bytes = fromBytes(data);
    const auto fixed = toolkit::fixEdidChecksums(bytes);
    return py::make_tuple(asBytes(bytes), fixed);
}

py::bytes hdrInfoFrame(int eotf, Point red, Point green, Point blue, Point white, double maxLuminance,
                       double minLuminance, double maxCll, double maxFall) {
    if (eotf < 0 || eotf > static_cast<int>(infoframe::TransferFunction::hlg))
        throw std::invalid_argument("no transfer function " + std::to_string(eotf));
    infoframe::HdrMetadata m;
    m.eotf = static_cast<infoframe::TransferFunction>(eotf);
    m.red = {red.first, red.second};
    m.green = {green.first, green.second};
    m.blue = {blue.first, blue.second};
    m.white = {white.first, white.second};
    m.maxLuminance = maxLuminance;
    m.minLuminance = minLuminance;
    m.maxCll = maxCll;
    m.maxFall = maxFall;
    const auto problems = infoframe::hdrMetadataProblems(m);
    if (!problems.empty())
        throw std::invalid_argument(problemsText("the HDR values do not fit the InfoFrame:", problems));
    return asBytes(infoframe::buildDrmInfoFrame(m));
}

}  // namespace
}  // namespace brixel::python

PYBIND11_MODULE(_native, m) {
    using namespace brixel;
    using namespace brixel::python;
    m.doc() = "The BrixelLibrary's exported functions and the toolkit's checks; use the package brixel.";
    m.attr("version") = BRIXEL_VERSION;

    py::class_<Outcome>(m, "Outcome", "What a call came to, with the library's console lines and warnings.")
        .def_readonly("confirmed", &Outcome::confirmed)
        .def_property_readonly("code", [](const Outcome& o) { return static_cast<int>(o.code); })
        .def_readonly("messages", &Outcome::messages)
        .def_readonly("warnings", &Outcome::warnings);
    m.attr("EXIT_NOT_CONFIRMED") = static_cast<int>(toolkit::exitNotConfirmed);
    m.attr("EXIT_NO_DEVICE") = static_cast<int>(toolkit::exitNoDevice);

    m.def("setting", &setting, "Calls the exported function of a setting code with a value byte.");
    m.def("set_state", &setState, "setBrixelState with any code and value byte the library sends.");
    m.def("firmware_version", &firmwareVersion, "getFwVersion.");
    m.def("state_block", &stateBlock, "getBrixelState.");
    m.def("status", &status, "getVideoFormat, as the report's JSON.");
    m.def("edid", &readEdid, "getEdid, or getSinkEdid.");
    m.def("write_edid", &writeEdid, "setCustomEdid with 256 bytes.");
    m.def("install_edid", &installEdid, "changeCustomEdid.");
    m.def("set_avi_infoframe", &setAviInfoFrame, "setAviIf, the text checked first.");
    m.def("set_hdr_infoframe", &setHdrInfoFrame, "setHdrIf, the text checked first.");
    m.def("matrix", &matrix, "get3x, in record order.");
    m.def("set_matrix", &setMatrix, "set3x, the values checked first.");
    m.def("default_matrix", &defaultMatrix, "reset3x: the default matrix, in record order.");

    m.def(
        "hold",
        [](const std::string& path) {
            py::gil_scoped_release unlocked;
            Calls::instance().hold(path);
        },
        "Keeps the device at the path open between calls.");
    m.def(
        "release",
        [](const std::string& path) {
            py::gil_scoped_release unlocked;
            return Calls::instance().release(path);
        },
        "Ends a hold; the last one closes the device.");
    m.def(
        "start_simulator",
        [](unsigned devices, const std::vector<std::string>& faults) {
            py::gil_scoped_release unlocked;
            return Calls::instance().startSimulator(devices, faults);
        },
        "Simulated devices in memory in place of USB; where each is attached.");
    m.def(
        "stop_simulator",
        [] {
            py::gil_scoped_release unlocked;
            return Calls::instance().stopSimulator();
        },
        "USB again.");
    m.def("fault_kinds", [] {
        std::vector<py::tuple> kinds;
        for (const auto& kind : toolkit::faultKindList())
            kinds.push_back(py::make_tuple(std::string(kind.name), std::string(kind.description), kind.atFrame));
        return kinds;
    });

    m.def("catalogue", [] {
        std::vector<py::tuple> entries;
        for (const auto& row : edid::catalogue)
            entries.push_back(py::make_tuple(static_cast<int>(row.value), std::string(row.name),
                                             std::string(row.description), asBytes(*edid::builtInEdidFor(row.value))));
        return entries;
    });
    m.def("edid_from_content", &edidFromContent, "The 256 bytes of an EDID in any form brixelctl reads.");
    m.def("edid_problems", [](const py::bytes& data) { return toolkit::edidProblems(fromBytes(data)); });
    m.def("fix_edid_checksums", &fixEdidChecksums);

    m.attr("AVI_MAX_BYTES") = infoframe::aviMaxBytes;
    m.attr("HDR_MAX_BYTES") = infoframe::hdrMaxBytes;
    m.def("infoframe_text_problems", &toolkit::infoFrameTextProblems);
    m.def("infoframe_text", [](const py::bytes& data) { return toolkit::infoFrameText(fromBytes(data)); });
    m.def("checksum_holds", [](const py::bytes& data) { return infoframe::checksumHolds(fromBytes(data)); });
    m.def("hdr_infoframe", &hdrInfoFrame, "The HDR InfoFrame built from values.");
    py::dict presets;
    for (const auto& p : infoframe::primaryPresets)
        presets[py::str(std::string(p.name))] =
            py::make_tuple(Point{p.red.x, p.red.y}, Point{p.green.x, p.green.y}, Point{p.blue.x, p.blue.y});
    m.attr("PRIMARIES") = presets;
    m.attr("WHITE_D65") = Point{infoframe::whiteD65.x, infoframe::whiteD65.y};
    m.attr("HDR_DEFAULTS") =
        py::make_tuple(infoframe::HdrMetadata{}.maxLuminance, infoframe::HdrMetadata{}.minLuminance,
                       infoframe::HdrMetadata{}.maxCll, infoframe::HdrMetadata{}.maxFall);

    std::vector<std::string> fieldNames;
    for (const auto& field : toolkit::matrixRecordFields) fieldNames.emplace_back(field.name);
    m.attr("MATRIX_FIELDS") = fieldNames;
    m.def("check_matrix", &checkMatrix, "ValueError naming every value its field does not hold.");
    m.def("held_matrix",
          [](const std::vector<double>& v) { return matrixValues(toolkit::heldMatrixValues(matrixFrom(v))); });
    m.def("matrix_holding_warnings",
          [](const std::vector<double>& v) { return toolkit::matrixHoldingWarnings(matrixFrom(v)); });
}
