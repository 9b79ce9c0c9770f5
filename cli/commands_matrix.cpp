// matrix get|set|reset|enable|disable: the colour matrix and its offsets.

#include <BrixelLibrary.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/context.h"
#include "toolkit/files.h"
#include "toolkit/matrix_values.h"

namespace brixel::cli {
namespace {

using toolkit::heldMatrixValues;
using toolkit::matrixJson;
using toolkit::matrixText;

// Sends `values` in a session and reports what the device will hold of them.
void sendMatrix(Context& ctx, const char* what, SB_VALUES values) {
    for (const auto& warning : toolkit::matrixHoldingWarnings(values)) ctx.note(warning);
    ctx.command(std::string("matrix ") + what, [&] {
        const bool ok = ctx.call([&] { return set3x(&values); });
        const SB_VALUES held = heldMatrixValues(values);
        ctx.doc.result = {{"matrix", matrixJson(values)}, {"held", matrixJson(held)}};
        if (!ctx.json) {
            std::printf("# what the device will hold (matrix get shows it)\n%s", matrixText(held).c_str());
            ctx.outcome(std::string("matrix ") + what, ok);
        }
        return ok;
    });
}

void addGet(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "get", "read the device's matrix and offsets, as a table that 'matrix set --file' reads back");
    cmd->callback([&ctx] {
        ctx.command("matrix get", [&] {
            SB_VALUES values{};
            const bool ok = ctx.call([&] { return get3x(&values); });
            ctx.doc.result = {{"matrix", ok ? matrixJson(values) : nlohmann::json(nullptr)}};
            if (!ctx.json) {
                if (ok)
                    std::printf("%s", matrixText(values).c_str());
                else
                    std::printf("matrix: not read\n");
            }
            return ok;
        });
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
        std::vector<std::string> given = *words;
        if (!file->empty()) {
            std::string error;
            const auto content = toolkit::readInput(*file, toolkit::matrixFileLimit, error);
            if (!content) throw CLI::ValidationError(error);
            given = toolkit::matrixFileWords(*content);
        }
        std::vector<std::string> problems;
        const SB_VALUES parsed = toolkit::parseMatrixValues(given, problems);
        if (!problems.empty()) {
            std::string text;
            for (const auto& p : problems) text += "\n  " + p;
            throw CLI::ValidationError("matrix set: the values are not usable:" + text);
        }
        sendMatrix(ctx, "set", parsed);
    });
}

void addReset(CLI::App& parent, Context& ctx) {
    // reset3x only fills a record; the device gets it through set3x.
    auto* cmd = parent.add_subcommand(
        "reset", "send the default matrix (BT.709 limited-range YCbCr to RGB) to the device; zero offsets");
    cmd->callback([&ctx] {
        SB_VALUES defaults{};
        reset3x(&defaults);
        sendMatrix(ctx, "reset", defaults);
    });
}

void addSwitch(CLI::App& parent, Context& ctx, const char* name, bool on) {
    auto* cmd = parent.add_subcommand(name, on ? "switch the matrix on" : "switch the matrix off");
    cmd->callback([&ctx, name, on] {
        ctx.command(std::string("matrix ") + name, [&] {
            const bool ok = ctx.call([&] { return set3xEn(on); });
            ctx.outcome(std::string("matrix ") + name, ok);
            return ok;
        });
    });
}

}  // namespace

void addMatrixCommands(CLI::App& app, Context& ctx) {
    auto* matrix = app.add_subcommand("matrix", "the 3x3 colour matrix with its offsets");
    matrix->require_subcommand(1);
    addGet(*matrix, ctx);
    addSet(*matrix, ctx);
    addReset(*matrix, ctx);
    addSwitch(*matrix, ctx, "enable", true);
    addSwitch(*matrix, ctx, "disable", false);
}

}  // namespace brixel::cli
