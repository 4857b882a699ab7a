#include "cli/cli.h"

#include "cli/arguments.h"
#include "ops/blank_lines.h"
#include "ops/duplicates.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <array>
#include <memory>
#include <utility>

namespace fenrow {

namespace {

// The command line's threads for the engines, made on first use.
WorkPool& pool()
{
    static WorkPool threads;
    return threads;
}

// The lists are the run's: each is lent to its engine and the result moved
// out, so that a list is never held twice.

CliRun run_number(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(convert(std::make_shared<const Text>(std::move(lists[0])), r.number, &pool()));
}

CliRun run_suffix(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(mark_groups(lists[0], r.suffix, {}, &pool()));
}

CliRun run_extract(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    Extraction e = extract(lists[0], r.extract, &pool());
    if (e.message)
        say(*e.message);
    return CliRun(std::move(e.list), e.done);
}

CliRun run_blank(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(remove_blank_lines(std::move(lists[0])));
}

CliRun run_dedupe(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(remove_duplicate_items(lists[0], Text(crlf), &pool()));
}

CliRun run_pick(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(pick_missing(lists[0].view(), lists[1].view(), {}, &pool()));
}

// What is left of the list once accounts were taken off it: the list itself,
// moved out, when none were.
Text left_over(AccountList&& taken, std::shared_ptr<Text>&& list)
{
    if (taken.changed())
        return taken.content();
    taken = AccountList();
    return list.use_count() == 1 ? std::move(*list) : *list;
}

// The files written; the accounts left over are the result.
CliRun run_generate(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    auto list = std::make_shared<Text>(std::move(lists[0]));
    GenerateOptions o = r.generate;
    if (r.existing != CliRequest::Existing::overwrite) {
        const ExistingFiles existing = existing_files(*list, o);
        if (!existing.names.empty() && r.existing == CliRequest::Existing::refuse) {
            say({"文本“"_t + existing.names[0] + "”已存在（共 "_t + txt_from_int(static_cast<int32_t>(existing.names.size())) +
                     " 个同名文件），未生成：加 --overwrite 覆盖，或 --continue 接着最大的编号生成"_t,
                 "提示！"_t});
            return CliRun(Text(), false);
        }
        if (!existing.names.empty())
            o.first_number = existing.highest + 1;
    }
    GenerateHooks hooks;
    hooks.tell = [&say](const Message& m, const AccountList&) { say(m); };
    Generation g = generate_files(list, std::move(o), hooks);
    if (g.message)
        say(*g.message);
    return CliRun(left_over(std::move(g.list), std::move(list)), g.done);
}

// One block, as generate takes each file's: its text is the result.
CliRun run_split(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    auto list = std::make_shared<Text>(std::move(lists[0]));
    AccountList accounts(list);
    BlockOptions o = r.generate.block;
    o.count = txt_to_int(r.generate.count);
    AccountList::Block b = accounts.take(o);
    if (b.message)
        say(*b.message);
    CliRun run(std::move(b.text), b.done);
    if (r.rest)
        run.rest = left_over(std::move(accounts), std::move(list));
    return run;
}

constexpr std::array operations{
    CliOperation{"number", ctl::convert_button, 1, run_number},
    CliOperation{"suffix", ctl::mark_button, 1, run_suffix},
    CliOperation{"extract", ctl::extract_button, 1, run_extract},
    CliOperation{"blank", ctl::blank_button, 1, run_blank},
    CliOperation{"dedupe", ctl::dedupe_button, 1, run_dedupe},
    CliOperation{"pick", ctl::pick_button, 2, run_pick},
    CliOperation{"generate", ctl::generate_button, 1, run_generate},
    CliOperation{"split", ctl::generate_button, 1, run_split},
};

} // namespace

std::span<const CliOperation> cli_operations() { return operations; }

} // namespace fenrow
