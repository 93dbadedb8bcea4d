// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "KeyValueArgs.h"
#include "common/Messages.h"

namespace corvalin::cli {

// One KEY=VALUE applied to a filled form; a refusal text when the form does
// not allow it (the dialog would not let the user do it either).
template <class Form>
using FormEdit = std::function<std::optional<std::string>(Form&)>;

// A configuration command that shows one of the station's forms, and with
// `set KEY=VALUE...` changes it as the dialog's Save does: the station is
// read first, so what is not named keeps its value.
template <class Form>
struct FormCommand {
    const char* name;
    const char* description;
    const char* setDescription;
    const char* keys;  // the accepted keys, for help and errors
    std::function<Result<FormEdit<Form>>(const Assignment&)> parse;
    std::function<void(const Form&, const OutputFlags&, Console&)> print;
    // Run on the filled form before the edits (may be empty).
    std::function<void(Form&)> prepare;
};

template <class Form>
int RunFormShow(const CommandContext& context, const FormCommand<Form>& command) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    Form form;
    if (!session->Load(form)) {
        // Never a value the station did not send.
        context.console.err << NoAnswerMessage(session->LastRead()) << "\n";
        return EXIT_FAILED;
    }
    command.print(form, context.flags, context.console);
    return EXIT_DONE;
}

template <class Form>
int RunFormSet(const CommandContext& context, const FormCommand<Form>& command,
               const std::vector<std::string>& words) {
    Result<std::vector<Assignment>> assignments = ParseAssignments(words);
    if (!assignments) return UsageError(assignments.error, context.console);
    std::vector<FormEdit<Form>> edits;
    for (const Assignment& assignment : *assignments) {
        Result<FormEdit<Form>> edit = command.parse(assignment);
        if (!edit) return UsageError(edit.error, context.console);
        edits.push_back(*edit);
    }

    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    Form form;
    if (!session->Load(form)) {
        context.console.err << messages::NO_ANSWER_NOTHING_WRITTEN << "\n";
        return EXIT_FAILED;
    }
    if (command.prepare) command.prepare(form);
    for (const FormEdit<Form>& edit : edits) {
        if (std::optional<std::string> refusal = edit(form)) {
            context.console.err << *refusal << "\n";
            return EXIT_FAILED;
        }
    }
    const int status = ReportSave(session->Save(form), context.console);
    if (status == EXIT_DONE && context.flags.json) {
        // What was written: the keys as given, with their values.
        nlohmann::ordered_json written = nlohmann::ordered_json::object();
        for (const Assignment& assignment : *assignments) {
            written[assignment.key] = assignment.value;
        }
        context.console.out << JsonText(nlohmann::ordered_json{{"written", true}, {"set", written}},
                                        2)
                            << "\n";
    }
    return status;
}

template <class Form>
void AddFormCommand(CLI::App& app, CommandContext& context, FormCommand<Form> definition) {
    auto command = std::make_shared<FormCommand<Form>>(std::move(definition));
    auto words = std::make_shared<std::vector<std::string>>();
    CLI::App* show = app.add_subcommand(command->name, command->description);
    show->require_subcommand(0, 1);
    CLI::App* set = show->add_subcommand("set", command->setDescription);
    set->add_option("KEY=VALUE", *words, std::string("Keys: ") + command->keys)->required();
    show->callback([&context, command, words, set] {
        if (set->parsed()) {
            context.run = [&context, command, words] {
                return RunFormSet(context, *command, *words);
            };
        } else {
            context.run = [&context, command] { return RunFormShow(context, *command); };
        }
    });
}

}  // namespace corvalin::cli
