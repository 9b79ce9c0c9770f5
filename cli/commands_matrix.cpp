// matrix get|set|reset|enable|disable: the colour matrix and its offsets.

#include <BrixelLibrary.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/files.h"
#include "cli/matrix_values.h"

namespace brixel::cli {
namespace {

nlohmann::json toJson(const SB_VALUES& v) {
    nlohmann::json j = nlohmann::json::object();
    for (const auto& f : matrixRecordFields) j[std::string(f.name)] = v.*f.field;
    return j;
}

void printMatrix(const SB_VALUES& v) {
    std::printf("%-7s %16s %16s %16s %16s\n", "", "offset", "col 1", "col 2", "col 3");
    const double rows[3][4] = {{v.offset1, v.coef11, v.coef12, v.coef13},
                               {v.offset2, v.coef21, v.coef22, v.coef23},
                               {v.offset3, v.coef31, v.coef32, v.coef33}};
    for (int r = 0; r < 3; ++r)
        std::printf("row %-3d %16.14g %16.14g %16.14g %16.14g\n", r + 1, rows[r][0], rows[r][1], rows[r][2],
                    rows[r][3]);
}

// Sends `values` in a session and reports; `what` names it in the output.
void sendMatrix(Context& ctx, const char* what, SB_VALUES values) {
    ctx.command([&] {
        const bool ok = ctx.call([&] { return set3x(&values); });
        ctx.result = {{"command", std::string("matrix ") + what}, {"matrix", toJson(values)}};
        if (!ctx.json) {
            printMatrix(values);
            std::printf("matrix %s: %s\n", what, ok ? "confirmed by the device" : "NOT confirmed by the device");
        }
        return ok;
    });
}

void addGet(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("get", "read the device's matrix and offsets");
    cmd->callback([&ctx] {
        ctx.command([&] {
            SB_VALUES values{};
            const bool ok = ctx.call([&] { return get3x(&values); });
            ctx.result = {{"command", "matrix get"}, {"matrix", ok ? toJson(values) : nlohmann::json(nullptr)}};
            if (!ctx.json) {
                if (ok)
                    printMatrix(values);
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
        "Coefficients -4 to 4 (3.13 fixed point), offsets -128 to 127.996 (8.8)");
    auto words = std::make_shared<std::vector<std::string>>();
    auto file = std::make_shared<std::string>();
    auto* values = cmd->add_option("values", *words, "the twelve values in SB_VALUES order")->expected(12);
    cmd->add_option("--file", *file, "a file of the twelve values (white space or commas, # comments)")
        ->check(CLI::ExistingFile)
        ->excludes(values);
    cmd->callback([&ctx, words, file] {
        std::vector<std::string> given = *words;
        if (!file->empty()) given = matrixFileWords(readWholeFile(*file, "--file"));
        std::vector<std::string> problems;
        const SB_VALUES parsed = parseMatrixValues(given, problems);
        if (!problems.empty())
            throw CLI::ValidationError("matrix set", "the values are not usable:" + joinedProblems(problems));
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
        ctx.command([&] {
            const bool ok = ctx.call([&] { return set3xEn(on); });
            ctx.result = {{"command", std::string("matrix ") + name}};
            if (!ctx.json)
                std::printf("matrix %s: %s\n", name, ok ? "confirmed by the device" : "NOT confirmed by the device");
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
