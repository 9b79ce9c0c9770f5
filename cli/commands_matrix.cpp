// SPDX-License-Identifier: MIT
// matrix get|set|reset|enable|disable: the colour matrix and its offsets.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/context.h"
#include "toolkit/files.h"
#include "toolkit/matrix_values.h"

namespace brixel::cli {
namespace {

using nlohmann::json;

// What the device will hold of the matrix sent.
Context::Show showingHeld(const Context& ctx) {
    Context::Show view;
    view.after = [&ctx](Outcome& outcome) {
        if (ctx.json || outcome.reach == toolkit::Reach::noDevice) return;
        const auto held = toolkit::matrixFromJson(outcome.doc.result.at("held"));
        std::printf("# what the device will hold (matrix get shows it)\n%s", toolkit::matrixText(held).c_str());
    };
    return view;
}

// The matrix read or made, as a table that 'matrix set --file' reads back.
void addTable(CLI::App& parent, Context& ctx, const char* name, const char* help) {
    auto* cmd = parent.add_subcommand(name, help);
    cmd->callback([&ctx, name] {
        Context::Show view;
        view.after = [&ctx](Outcome& outcome) {
            if (ctx.json) return;
            const json& values = outcome.doc.result.value("matrix", json());
            if (values.is_object())
                std::printf("%s", toolkit::matrixText(toolkit::matrixFromJson(values)).c_str());
            else
                std::printf("matrix: not read\n");
        };
        ctx.command(std::string("matrix ") + name, json::object(), view);
    });
}

void addSet(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "set",
        "write a matrix: twelve values offset1 coef11 coef12 coef13 offset2 coef21 ... coef33, or --file. "
        "Coefficients -4 to 4 (3.13 fixed point; -4 reads back as +4), offsets -128 to 255.996 (8.8; read "
        "back whole and unsigned, so 240 is -16). Negative values after --: matrix set -- -16 ...");
    auto words = std::make_shared<std::vector<std::string>>();
    auto file = std::make_shared<std::string>();
    auto* values = cmd->add_option("values", *words, "the twelve values in SB_VALUES order")->expected(12);
    cmd->add_option("--file", *file,
                    "a file of the twelve values (white space or commas, # comments; what 'matrix get' prints), "
                    "- for standard input")
        ->type_name("FILE")
        ->excludes(values);
    cmd->callback([&ctx, words, file] {
        json given = *words;
        if (!file->empty()) {
            std::string error;
            const auto content = toolkit::readInput(*file, toolkit::matrixFileLimit, error);
            if (!content) throw CLI::ValidationError(error);
            given = *content;
        }
        ctx.command("matrix set", {{"values", given}}, showingHeld(ctx));
    });
}

void addReset(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "reset", "send the default matrix (BT.709 limited-range YCbCr to RGB) to the device; zero offsets");
    cmd->callback([&ctx] { ctx.command("matrix reset", json::object(), showingHeld(ctx)); });
}

void addSwitch(CLI::App& parent, Context& ctx, const char* name, bool on) {
    auto* cmd = parent.add_subcommand(name, on ? "switch the matrix on" : "switch the matrix off");
    cmd->callback([&ctx, name] { ctx.command(std::string("matrix ") + name, json::object()); });
}

}  // namespace

void addMatrixCommands(CLI::App& app, Context& ctx) {
    auto* matrix = app.add_subcommand("matrix", "the 3x3 colour matrix with its offsets");
    matrix->require_subcommand(1);
    addTable(*matrix, ctx, "get",
             "read the device's matrix and offsets, as a table that 'matrix set --file' reads back");
    addTable(*matrix, ctx, "default",
             "the default matrix that 'matrix reset' sends, as the same table (no device needed)");
    addSet(*matrix, ctx);
    addReset(*matrix, ctx);
    addSwitch(*matrix, ctx, "enable", true);
    addSwitch(*matrix, ctx, "disable", false);
}

}  // namespace brixel::cli
