// SPDX-License-Identifier: MIT
// brixel._native: the toolkit's operations catalogue and its owner of the
// library, as plain Python values. The package around it (python/brixel)
// gives them their Pythonic shape; nothing here decides what a Python user
// sees beyond types. Every run lets go of the GIL while it waits for the
// owner and the device.

#include <BrixelLibrary.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "infoframe/infoframe_bytes.h"
#include "toolkit/device_owner.h"
#include "toolkit/exit_codes.h"
#include "toolkit/infoframe_text.h"
#include "toolkit/matrix_values.h"
#include "toolkit/operations.h"
#include "toolkit/simulated_devices.h"

namespace py = pybind11;

namespace brixel::python {
namespace {

using nlohmann::json;

// The library is one per process: so is its owner, and the simulated
// devices that may stand in for USB.
struct Process {
    std::mutex simulatorMutex;
    std::unique_ptr<toolkit::SimulatedDevices> simulated;
    toolkit::DeviceOwner owner{toolkit::OwnerOptions{}};

    static Process& instance() {
        static Process process;
        return process;
    }
};

py::bytes asBytes(std::span<const uint8_t> bytes) {
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// ---- JSON and Python values -----------------------------------------------------

json toJson(py::handle value, const std::string& where);

json toJson(py::handle value, const std::string& where) {
    if (value.is_none()) return nullptr;
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>();
    if (py::isinstance<py::int_>(value)) return value.cast<long long>();
    if (py::isinstance<py::float_>(value)) return value.cast<double>();
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    // Bytes (an EDID's content) travel as a string of the same bytes.
    if (py::isinstance<py::bytes>(value) || py::isinstance<py::bytearray>(value) ||
        py::isinstance<py::memoryview>(value))
        return py::bytes(py::reinterpret_borrow<py::object>(value)).cast<std::string>();
    if (py::isinstance<py::dict>(value)) {
        json object = json::object();
        for (const auto& [key, item] : value.cast<py::dict>())
            object[py::str(key).cast<std::string>()] = toJson(item, where);
        return object;
    }
    if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
        json array = json::array();
        for (const auto& item : value) array.push_back(toJson(item, where));
        return array;
    }
    throw py::type_error(where + ": " + std::string(py::str(value.get_type().attr("__name__"))) +
                         " is not a value an operation takes");
}

py::object toPython(const json& value) {
    switch (value.type()) {
        case json::value_t::null: return py::none();
        case json::value_t::boolean: return py::bool_(value.get<bool>());
        case json::value_t::number_integer: return py::int_(value.get<long long>());
        case json::value_t::number_unsigned: return py::int_(value.get<unsigned long long>());
        case json::value_t::number_float: return py::float_(value.get<double>());
        case json::value_t::string: {
            const auto& text = value.get_ref<const std::string&>();
            // A name as the file system or the source gave it need not be UTF-8.
            PyObject* object = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
            if (!object) throw py::error_already_set();
            return py::reinterpret_steal<py::object>(object);
        }
        case json::value_t::array: {
            py::list list;
            for (const auto& item : value) list.append(toPython(item));
            return list;
        }
        case json::value_t::object: {
            py::dict dict;
            for (const auto& [key, item] : value.items()) dict[py::str(key)] = toPython(item);
            return dict;
        }
        default: return py::none();
    }
}

const char* reachName(toolkit::Reach reach) {
    switch (reach) {
        case toolkit::Reach::notAsked: return "notAsked";
        case toolkit::Reach::noDevice: return "noDevice";
        case toolkit::Reach::silent: return "silent";
        case toolkit::Reach::answered: return "answered";
    }
    return "";
}

// ---- Runs ------------------------------------------------------------------------

toolkit::Outcome run(const std::string& path, const std::string& operation, const py::dict& given) {
    const json inputs = toJson(given, operation);
    py::gil_scoped_release unlocked;
    return Process::instance().owner.run(operation, inputs, path);
}

std::vector<std::string> startSimulator(unsigned devices, const std::vector<std::string>& faults) {
    py::gil_scoped_release unlocked;
    auto& process = Process::instance();
    std::lock_guard lock(process.simulatorMutex);
    if (process.simulated) throw std::logic_error("a simulator is running already: one at a time");
    toolkit::SimulationOptions options;
    options.devices = devices;
    options.faults = faults;
    options.inMemory = true;
    std::string error;
    auto started = toolkit::SimulatedDevices::start(options, error);
    if (!started) throw std::invalid_argument(error);
    // The session that reached USB devices ends before the simulated ones appear.
    toolkit::Transport transport;
    transport.layer = &started->layer();
    process.owner.setTransport(std::move(transport));
    process.simulated = std::move(started);
    return process.simulated->devicePaths();
}

toolkit::Outcome stopSimulator() {
    py::gil_scoped_release unlocked;
    auto& process = Process::instance();
    std::lock_guard lock(process.simulatorMutex);
    auto outcome = process.owner.setTransport({});
    process.simulated.reset();
    return outcome;
}

}  // namespace
}  // namespace brixel::python

PYBIND11_MODULE(_native, m) {
    using namespace brixel;
    using namespace brixel::python;
    using toolkit::Outcome;
    m.doc() = "The BrixelLibrary's operations catalogue and its owner of the library; use the package brixel.";
    m.attr("version") = BRIXEL_VERSION;

    py::class_<Outcome>(m, "Outcome", "What a run came to: its document, the bytes it read, how far it got.")
        .def_property_readonly("document", [](const Outcome& o) { return toPython(o.doc.toJson()); })
        .def_property_readonly("data", [](const Outcome& o) { return asBytes(o.data); })
        .def_property_readonly("confirmed", [](const Outcome& o) { return o.confirmed(); })
        .def_property_readonly("refused", [](const Outcome& o) { return o.refused; })
        .def_property_readonly("reach", [](const Outcome& o) { return reachName(o.reach); })
        .def_property_readonly("code", [](const Outcome& o) { return static_cast<int>(o.exitCode()); })
        .def_property_readonly("error", [](const Outcome& o) { return o.doc.error; })
        .def_property_readonly("override", [](const Outcome& o) { return std::string(o.override); })
        .def_property_readonly("refusal", [](const Outcome& o) { return o.refusal; })
        .def_property_readonly("messages", [](const Outcome& o) { return o.doc.messages; })
        .def_property_readonly("warnings", [](const Outcome& o) { return o.doc.warnings; })
        .def_property_readonly("notes", [](const Outcome& o) { return o.doc.notes; })
        .def_property_readonly("problems", [](const Outcome& o) { return o.doc.problems; });
    m.attr("EXIT_NOT_CONFIRMED") = static_cast<int>(toolkit::exitNotConfirmed);
    m.attr("EXIT_NO_DEVICE") = static_cast<int>(toolkit::exitNoDevice);
    m.attr("MAX_SIMULATED_DEVICES") = toolkit::maxSimulatedDevices;

    m.def("run", &run, py::arg("path"), py::arg("operation"), py::arg("inputs"),
          "Runs an operation of the catalogue on the device at the path (any Brixel when empty).");
    m.def(
        "hold",
        [](const std::string& path) {
            py::gil_scoped_release unlocked;
            Process::instance().owner.hold(path);
        },
        "Keeps the device at the path open between runs.");
    m.def(
        "release",
        [](const std::string& path) {
            py::gil_scoped_release unlocked;
            return Process::instance().owner.release(path);
        },
        "Ends a hold; the last one closes the device.");
    m.def("start_simulator", &startSimulator, "Simulated devices in memory in place of USB; where each is attached.");
    m.def("stop_simulator", &stopSimulator, "USB again.");

    m.def("operations", [] {
        std::vector<py::tuple> list;
        for (const auto& op : toolkit::operations()) {
            std::vector<py::tuple> inputs;
            for (const auto& input : op.inputs)
                inputs.push_back(py::make_tuple(std::string(input.name), input.required, std::string(input.help)));
            list.push_back(
                py::make_tuple(std::string(op.name), std::string(op.summary), op.changesDevice, std::move(inputs)));
        }
        return list;
    });
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

    m.def("infoframe_text", [](const py::bytes& data) {
        const std::string_view view(data);
        return toolkit::infoFrameText(std::span(reinterpret_cast<const uint8_t*>(view.data()), view.size()));
    });
    m.def("checksum_holds", [](const py::bytes& data) {
        const std::string_view view(data);
        return infoframe::checksumHolds(std::span(reinterpret_cast<const uint8_t*>(view.data()), view.size()));
    });
    m.attr("HDR_DEFAULTS") = toPython(toolkit::hdrBuildDefaults());
    py::dict presets;
    for (const auto& p : infoframe::primaryPresets)
        presets[py::str(std::string(p.name))] = py::make_tuple(
            py::make_tuple(p.red.x, p.red.y), py::make_tuple(p.green.x, p.green.y), py::make_tuple(p.blue.x, p.blue.y));
    m.attr("PRIMARIES") = presets;
    m.attr("WHITE_D65") = py::make_tuple(infoframe::whiteD65.x, infoframe::whiteD65.y);

    std::vector<std::string> fieldNames;
    for (const auto& field : toolkit::matrixRecordFields) fieldNames.emplace_back(field.name);
    m.attr("MATRIX_FIELDS") = fieldNames;
}
