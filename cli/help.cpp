// The text of --help, the one place that describes the flags to the user.
#include "cli/arguments.h"

#include "runtime/codepage.h"

namespace fenrow {

Text cli_help()
{
    return R"(Usage: fenrow-cli OPERATION [flags] [FILE] [-o OUT]
       fenrow-cli pick|intersect|union|only [flags] A B [-o OUT]
       fenrow-cli filter [flags] TEXT [FILE] [-o OUT]
Runs one operation of the Fenrow window over a list, one account per line.
FILE (or "-", or none) is read, the result is written to OUT or standard output.

Operations and their flags (the window's options; defaults as in the window):
  number     numbering conversion (转换): "1=line"
               --prefix TEXT       text after the number (default "=")
               --no-number         no numbering
               --suffix SYMBOL     add SYMBOL and --suffix-text behind each line
               --suffix-text TEXT  (both off unless given; SYMBOL default "=")
  suffix     mark every group of accounts (后缀序号)
               --group N (6)  --mark SYMBOL (*)  --first (default) | --last
  extract    the text between two markers on each line (提取帐号)
               --head TEXT (empty)  --tail TEXT (",")
  blank      remove blank lines (去空行)
  dedupe     remove duplicate lines, first kept (去重复)
               --ignore-case  ASCII letters without case   --trim  end blanks aside
  pick A B   the lines of A that B lacks, case and end blanks ignored (挑不重复)
  generate   write blocks of accounts to files 账号1.txt, 账号2.txt, ... (生成文本);
             the accounts left over go to OUT
               --count N (6)  --name NAME (账号)  --ext .txt|.ini
               --top TEXT ([账号]) | --no-top  --prefix TEXT (=) | --no-number
               --out-dir DIR (current directory); files are GBK with CR LF
               files of those names already there are refused unless
               --overwrite  replaces them | --continue  numbers on after the highest
  split      the next block alone, as generate would write it, to OUT
               --count N (6)  --top TEXT ([账号]) | --no-top
               --prefix TEXT (=) | --no-number
               --rest FILE  the list without the block (after OUT is written)

List tools (blank lines are no items where lines are compared without case or
end blanks, and in the tools over two lists; "blank" counts full-width spaces):
  dupes      each line occurring more than once, once
  count      each distinct line, a tab and how often it occurs
  intersect A B  each distinct line of A that B also has
  union A B  each distinct line of A, then each of B that A lacks
  only A B   each distinct line of A that B lacks, then each of B that A lacks
               (these five also take --ignore-case and --trim)
  filter TEXT  the lines holding TEXT
               --invert  the lines without it   --ignore-case
               --regex   TEXT is a regular expression
  sort       byte order, stable   --natural  numbers by value   --reverse
  shuffle    a random order   --seed N  the same order for the same N
  trim       each line without blanks at its ends

Common flags:
  -o, --output FILE  write the result there, replaced whole or not at all
  --utf8             read and write UTF-8 instead of GBK (code page 936)
  --encoding E       read the inputs in E: gbk (the default), utf-8, utf-16le,
                     utf-16be, big5, or auto (the one their bytes show)
  --crlf | --lf      line ends of the output (default: those of the input)
  -h, --help         this text

Exit status: 0 done; 1 the operation refused (its message on standard error);
2 bad command line; 3 an input unreadable or not text, or the output unwritable;
4 out of memory (nothing written).

用法：fenrow-cli 操作 [选项] [文件] [-o 输出文件]
      fenrow-cli pick|intersect|union|only [选项] 文件A 文件B [-o 输出文件]
      fenrow-cli filter [选项] 文本 [文件] [-o 输出文件]
对每行一个帐号的列表执行窗口中的一项操作。不给文件或给“-”时读标准输入，
结果写入输出文件或标准输出。

操作与选项（即窗口中的设置，默认值与窗口相同）：
  number     编号转换：“1=帐号”
               --prefix 文本     编号后的文本（默认“=”）   --no-number  不编号
               --suffix 符号  --suffix-text 文本   在每行后加符号和文本（默认不加）
  suffix     后缀序号：每组帐号加序号
               --group 个数（6） --mark 符号（*） --first 首帐号（默认）| --last 尾帐号
  extract    提取帐号：每行取前后字符之间的文本
               --head 前字符（空） --tail 后字符（“,”）
  blank      去空行
  dedupe     去重复（保留第一次出现的行）
               --ignore-case 不分大小写   --trim 忽略首尾空白
  pick A B   挑不重复：A 中 B 没有的行（不分大小写，忽略两端空白）
  generate   生成文本：每 N 个帐号写一个文件（账号1.txt、账号2.txt……），
             剩余帐号写入输出
               --count 个数（6） --name 文本名（账号） --ext .txt|.ini
               --top 顶层文本（[账号]）| --no-top   --prefix 前缀（=）| --no-number
               --out-dir 目录（默认当前目录）；文件为 GBK 编码、CR LF 换行
               目录中已有同名文件时不生成，除非给出
               --overwrite 覆盖它们 | --continue 接着最大的编号往后生成
  split      只取下一组：生成文本会写入的内容写到输出
               --count 个数（6） --top 顶层文本（[账号]）| --no-top
               --prefix 前缀（=）| --no-number
               --rest 文件  取走这一组后剩余的列表（输出写好后才写）

列表工具（不分大小写、忽略首尾空白时以及两表工具中，空白行不算一项；
全角空格也算空白）：
  dupes      只留重复行（每行一次）
  count      重复次数：每个不同的行，后接制表符和出现次数
  intersect A B  两表共有：A 中 B 也有的行
  union A B  两表合并：A 的各行，再接 B 中 A 没有的行
  only A B   只在一边：A 中 B 没有的行，再接 B 中 A 没有的行
               （以上五项也可加 --ignore-case、--trim）
  filter 文本  保留含有该文本的行
               --invert 删除含有该文本的行   --ignore-case 不分大小写
               --regex  文本为正则表达式
  sort       排序（按字节，稳定）  --natural 数字按数值   --reverse 倒序
  shuffle    打乱顺序   --seed 数字  同一数字得到同一顺序
  trim       去首尾空白

通用选项：
  -o, --output 文件  结果写入该文件：要么完整写入，要么不动
  --utf8             以 UTF-8 读写（默认 GBK，即代码页 936）
  --encoding 编码    按该编码读入：gbk（默认）、utf-8、utf-16le、utf-16be、
                     big5，或 auto（按内容判断）
  --crlf | --lf      输出的换行（默认与输入相同）
  -h, --help         显示本说明

退出码：0 完成；1 操作未执行（提示写到标准错误）；2 命令行有误；
3 输入无法读取或不是文本，或输出无法写入；4 内存不足（未写入任何内容）。
)"_t;
}

} // namespace fenrow
