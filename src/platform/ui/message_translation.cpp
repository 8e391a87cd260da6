#include "platform/ui/message_translation.h"

#include <QCoreApplication>

#include <array>

namespace quarrow::ui {
namespace {

// Every message the core and the dialogs build; "%1" stands for the part put in.
constexpr std::array kPatterns = {
    // The document's open.
    QT_TRANSLATE_NOOP("Message", "%1 が見つかりませんでした。"),
    QT_TRANSLATE_NOOP("Message", "%1 には無効なﾊﾟｽが含まれています。"),
    QT_TRANSLATE_NOOP("Message", "%1 にアクセスできません。"),
    QT_TRANSLATE_NOOP("Message", "%1 はファイルではありません。"),
    QT_TRANSLATE_NOOP("Message", "%1 を読み込むためのメモリが足りません。"),
    QT_TRANSLATE_NOOP("Message", "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"),
    QT_TRANSLATE_NOOP("Message", "%1 に保存できませんでした。"),
    // Start-up.
    QT_TRANSLATE_NOOP("Message", "-Tオプションにはフルパスを指定してください。"),
    QT_TRANSLATE_NOOP("Message", "-Tオプションのフォルダを設定ファイルに記録できません。F5 ではこのTAGSファイルを作り直せません。"),
    // The ctags run and the create-tags command.
    QT_TRANSLATE_NOOP("Message", "ctags がシグナル %1 で強制終了しました。"),
    QT_TRANSLATE_NOOP("Message", "ctags が異常終了しました (終了コード %1)。"),
    QT_TRANSLATE_NOOP("Message", "フォルダ %1 がありません。"),
    QT_TRANSLATE_NOOP("Message", "フォルダ %1 に書き込めません。"),
    QT_TRANSLATE_NOOP("Message", "%1 はフォルダです。"),
    QT_TRANSLATE_NOOP("Message", "%1 に書き込めません。"),
    QT_TRANSLATE_NOOP("Message", "%1 を作成できません。"),
    QT_TRANSLATE_NOOP("Message", "%1 を置き換えられません。"),
    QT_TRANSLATE_NOOP("Message", "ctags のパスはメニューの 設定(&S) で変更できます。"),
    QT_TRANSLATE_NOOP("Message", "ctags はタグを1つも作りませんでした。TAGSファイルは元のままです。"),
    QT_TRANSLATE_NOOP("Message", "対象の言語: %1"),
    // The editor jump.
    QT_TRANSLATE_NOOP("Message", "エディタ %1 を起動できません。"),
    QT_TRANSLATE_NOOP("Message", "パス: %1"),
    QT_TRANSLATE_NOOP("Message", "理由: %1"),
    QT_TRANSLATE_NOOP("Message", "エディタは 設定(&S) で変更できます。"),
};

// The translation of `line` when it was made from one of the patterns, else a null text. When
// several match, the one with the most fixed text is the pattern it was made from.
QString TranslateLine(const QString& line) {
    const char* best = nullptr;
    QString part;
    qsizetype bestFixed = -1;
    for (const char* pattern : kPatterns) {
        const QString source = QString::fromUtf8(pattern);
        const qsizetype marker = source.indexOf(QLatin1String("%1"));
        if (marker < 0) {
            if (line == source && source.size() > bestFixed) {
                best = pattern;
                part.clear();
                bestFixed = source.size();
            }
            continue;
        }
        const QString prefix = source.left(marker);
        const QString suffix = source.mid(marker + 2);
        const qsizetype fixed = prefix.size() + suffix.size();
        if (line.size() >= fixed && line.startsWith(prefix) && line.endsWith(suffix) && fixed > bestFixed) {
            best = pattern;
            part = line.mid(prefix.size(), line.size() - fixed);
            bestFixed = fixed;
        }
    }
    if (best == nullptr) {
        return {};
    }
    const QString translated = QCoreApplication::translate(kMessageContext, best);
    // Only the first "%1" is replaced, and the part is never read as a pattern itself.
    const qsizetype marker = translated.indexOf(QLatin1String("%1"));
    return marker < 0 ? translated : translated.left(marker) + part + translated.mid(marker + 2);
}

}  // namespace

QString TranslateMessage(const QString& text) {
    if (QString whole = TranslateLine(text); !whole.isNull()) {
        return whole;
    }
    // A message may carry lines of a tool's output after its own first line; those pass as they
    // are, and so does every line that no pattern made.
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    if (newline < 0) {
        return text;
    }
    const QString first = TranslateLine(text.left(newline));
    if (first.isNull()) {
        return text;
    }
    QStringList lines = text.mid(newline + 1).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (QString translated = TranslateLine(line); !translated.isNull()) {
            line = translated;
        }
    }
    return first + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

}  // namespace quarrow::ui
