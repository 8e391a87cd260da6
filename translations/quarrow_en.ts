<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>CommandMenu</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規（又は再）作成(&amp;N)	Ctrl+N</source>
        <translation>&amp;New or Recreate Tags File...	Ctrl+N</translation>
    </message>
    <message>
        <source>開く(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>最近使ったﾌｧｲﾙ</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Quarrow のバージョン情報(&amp;A)...</source>
        <translation>&amp;About Quarrow...</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>検索(&amp;F)	Ctrl+F</source>
        <translation>&amp;Find	Ctrl+F</translation>
    </message>
    <message>
        <source>最新の情報に更新(&amp;R)	F5</source>
        <translation>&amp;Refresh	F5</translation>
    </message>
    <message>
        <source>言語別アイコン</source>
        <translation>Icons by &amp;Language</translation>
    </message>
    <message>
        <source>スコープで入れ子表示</source>
        <translation>&amp;Nest Members by Scope</translation>
    </message>
</context>
<context>
    <name>CodePageNote</name>
    <message>
        <source>Shift-JIS (932) のファイルとして読み込みました</source>
        <translation>Read as a Shift-JIS (932) file</translation>
    </message>
</context>
<context>
    <name>DialogTextLimit</name>
    <message>
        <source>%1 文字以内で入力してください。</source>
        <translation>Enter no more than %1 characters.</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>%1 が見つかりませんでした。</source>
        <translation>%1 was not found.</translation>
    </message>
    <message>
        <source>%1 には無効なﾊﾟｽが含まれています。</source>
        <translation>%1 contains an invalid path.</translation>
    </message>
    <message>
        <source>%1 にアクセスできません。</source>
        <translation>%1 cannot be accessed.</translation>
    </message>
    <message>
        <source>%1 はファイルではありません。</source>
        <translation>%1 is not a file.</translation>
    </message>
    <message>
        <source>%1 を読み込むためのメモリが足りません。</source>
        <translation>There is not enough memory to load %1.</translation>
    </message>
    <message>
        <source>ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。</source>
        <translation>Failed to open the document.</translation>
    </message>
    <message>
        <source>%1 に保存できませんでした。</source>
        <translation>Could not save to %1.</translation>
    </message>
    <message>
        <source>-Tオプションにはフルパスを指定してください。</source>
        <translation>Give the -T option a full path.</translation>
    </message>
    <message>
        <source>-Tオプションのフォルダを設定ファイルに記録できません。F5 ではこのTAGSファイルを作り直せません。</source>
        <translation>The -T folder cannot be recorded in the profile. F5 cannot re-create this tags file.</translation>
    </message>
    <message>
        <source>ctags がシグナル %1 で強制終了しました。</source>
        <translation>ctags was killed by signal %1.</translation>
    </message>
    <message>
        <source>ctags が異常終了しました (終了コード %1)。</source>
        <translation>ctags failed (exit code %1).</translation>
    </message>
    <message>
        <source>フォルダ %1 がありません。</source>
        <translation>The folder %1 does not exist.</translation>
    </message>
    <message>
        <source>フォルダ %1 に書き込めません。</source>
        <translation>Cannot write to the folder %1.</translation>
    </message>
    <message>
        <source>%1 はフォルダです。</source>
        <translation>%1 is a folder.</translation>
    </message>
    <message>
        <source>%1 に書き込めません。</source>
        <translation>Cannot write to %1.</translation>
    </message>
    <message>
        <source>%1 を作成できません。</source>
        <translation>Cannot create %1.</translation>
    </message>
    <message>
        <source>%1 を置き換えられません。</source>
        <translation>Cannot replace %1.</translation>
    </message>
    <message>
        <source>ctags のパスはメニューの 設定(&amp;S) で変更できます。</source>
        <translation>Change the ctags path under Settings in the menu.</translation>
    </message>
    <message>
        <source>ctags はタグを1つも作りませんでした。TAGSファイルは元のままです。</source>
        <translation>ctags made no tags. The tags file is unchanged.</translation>
    </message>
    <message>
        <source>対象の言語: %1</source>
        <translation>Languages indexed: %1</translation>
    </message>
    <message>
        <source>エディタ %1 を起動できません。</source>
        <translation>Cannot start the editor %1.</translation>
    </message>
    <message>
        <source>パス: %1</source>
        <translation>Path: %1</translation>
    </message>
    <message>
        <source>理由: %1</source>
        <translation>Reason: %1</translation>
    </message>
    <message>
        <source>エディタは 設定(&amp;S) で変更できます。</source>
        <translation>Change the editor under Settings.</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CCreateTagsDlg</name>
    <message>
        <source>TAGSファイルの作成画面</source>
        <translation>Create Tags File</translation>
    </message>
    <message>
        <source>(再)作成開始</source>
        <translation>(Re)create</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Tagsファイル：</source>
        <translation>Tags file:</translation>
    </message>
    <message>
        <source>Tags作成対象：</source>
        <translation>Target:</translation>
    </message>
    <message>
        <source>TAGS作成時の現在のオプション（変更はINIファイルへ直接行う。）</source>
        <translation>Current ctags options (edit them in the INI file)</translation>
    </message>
    <message>
        <source>※TAGSファイル作成時のパラメータのうち、以下の文字列の置き換え
   を実施します。
   「-f@tags」 -&gt; 「-f（TAGSファイル）」
   「@target」 -&gt; 「（Tags作成対象）」</source>
        <translation>* In the ctags options, these texts are replaced
   when the tags file is made:
   &quot;-f@tags&quot; -&gt; &quot;-f(tags file)&quot;
   &quot;@target&quot; -&gt; &quot;(target)&quot;</translation>
    </message>
    <message>
        <source>Tagsを作成します。ファイル名を指定してください。</source>
        <translation>Create Tags: Choose the File Name</translation>
    </message>
    <message>
        <source>作成するTAGSファイルを指定してください。</source>
        <translation>Give the tags file to create.</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CQuarrowApp</name>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>TAGSファイル (tags TAGS *.tags *.ctags);;すべてのﾌｧｲﾙ (*)</source>
        <translation>Tags Files (tags TAGS *.tags *.ctags);;All Files (*)</translation>
    </message>
    <message>
        <source>このTAGSファイルは F5 の ctags が更新中です。終わるか中止してから作り直してください。</source>
        <translation>ctags (F5) is updating this tags file. Let it finish or cancel it, then create the file again.</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CWindowDoc</name>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*)</source>
        <translation>All Files (*)</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CSettingsDlg</name>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>「エディター」</source>
        <translation>Editor</translation>
    </message>
    <message>
        <source>「ctags」</source>
        <translation>ctags</translation>
    </message>
    <message>
        <source>「その他」</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>起動エディタ：</source>
        <translation>Editor:</translation>
    </message>
    <message>
        <source>起動文字列：</source>
        <translation>Arguments:</translation>
    </message>
    <message>
        <source>パス：</source>
        <translation>Path:</translation>
    </message>
    <message>
        <source>起動時に前回表示していたtagsを読み込む。</source>
        <translation>Open the tags file shown last at start-up.</translation>
    </message>
    <message>
        <source>シングルクリックでエディタへジャンプ。</source>
        <translation>Jump to the editor with a single click.</translation>
    </message>
    <message>
        <source>チップメッセージの表示を行う。</source>
        <translation>Show tool tips.</translation>
    </message>
    <message>
        <source>メインメニューを表示する。(次回起動時より有効)</source>
        <translation>Show the menu bar (from the next start).</translation>
    </message>
    <message>
        <source>多重起動を許す。(次回起動時より有効)</source>
        <translation>Allow several instances (from the next start).</translation>
    </message>
    <message>
        <source>起動エディタを入力してください。</source>
        <translation>Enter the editor to start.</translation>
    </message>
    <message>
        <source>既知のエディタ：</source>
        <translation>Known editors:</translation>
    </message>
    <message>
        <source>（選択してください）</source>
        <translation>(choose one)</translation>
    </message>
    <message>
        <source>%1（端末内）</source>
        <translation>%1 (in a terminal)</translation>
    </message>
    <message>
        <source>%1 - 未インストール</source>
        <translation>%1 - not installed</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CVersionInfoDlg</name>
    <message>
        <source>Quarrowのﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Quarrow</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::CtagsProgressDialog</name>
    <message>
        <source>ctags でTAGSファイルを作成しています。</source>
        <translation>ctags is making the tags file.</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>中止しています…</source>
        <translation>Cancelling…</translation>
    </message>
    <message>
        <source>経過時間： %1</source>
        <translation>Elapsed: %1</translation>
    </message>
    <message>
        <source>書き込み済み： なし</source>
        <translation>Written: nothing</translation>
    </message>
    <message>
        <source>書き込み済み： %1 バイト</source>
        <translation>Written: %1 bytes</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::EditorJumpRunner</name>
    <message>
        <source>ファイル %1 がありません。エディタは起動しませんでした。</source>
        <translation>The file %1 does not exist; the editor was not started.</translation>
    </message>
    <message>
        <source>ファイル %1 を読めないため、TAGSファイルの行へジャンプしました。</source>
        <translation>Cannot read the file %1: jumped to the line the tags file gives.</translation>
    </message>
    <message>
        <source>%1 に定義が見つからないため、TAGSファイルの行へジャンプしました。</source>
        <translation>The definition was not found in %1: jumped to the line the tags file gives.</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::RunStatusBar</name>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ctags でTAGSファイルを更新しています。</source>
        <translation>ctags is updating the tags file.</translation>
    </message>
    <message>
        <source>TAGSファイルを読み込んでいます。</source>
        <translation>Reading the tags file.</translation>
    </message>
    <message>
        <source>TAGSファイルを読み込んでいます。%1 / %2 MB</source>
        <translation>Reading the tags file: %1 / %2 MB</translation>
    </message>
    <message>
        <source>タグを並べ替えています。</source>
        <translation>Ordering the tags.</translation>
    </message>
    <message>
        <source>ツリーを作っています。%1%</source>
        <translation>Building the tree: %1%</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::StartHint</name>
    <message>
        <source>TAGSファイルが表示されていません。

Ctrl+N　ソースのフォルダから TAGSファイルを作成します。
Ctrl+O　TAGSファイルを開きます。</source>
        <translation>No tags file is shown.

Ctrl+N  Create a tags file from a source folder.
Ctrl+O  Open a tags file.</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::TagFilterBar</name>
    <message>
        <source>名前で絞り込み</source>
        <translation>Filter by name</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::TagTreeFiltering</name>
    <message>
        <source>一致する名前はありません</source>
        <translation>No matching names</translation>
    </message>
</context>
<context>
    <name>quarrow::ui::TagsRefresher</name>
    <message>
        <source>ctags が失敗しました。TAGSファイルと表示は元のままです。</source>
        <translation>ctags failed. The tags file and the tree are as they were.</translation>
    </message>
    <message>
        <source>ctags の実行を中止しました。TAGSファイルと表示は元のままです。</source>
        <translation>The ctags run was cancelled. The tags file and the tree are as they were.</translation>
    </message>
    <message>
        <source>TAGSファイル %1 がなくなりました。表示は元のままです。ファイルが戻ると読み直します。</source>
        <translation>The tags file %1 is gone. The tree stays as it was; the file is read again when it comes back.</translation>
    </message>
    <message>
        <source>TAGSファイルの読み込みを中止しました。表示は元のままです。</source>
        <translation>Reading the tags file was cancelled. The tree is as it was.</translation>
    </message>
    <message>
        <source>作成対象の記録がないため読み直しました（ctags で作るには Ctrl+N）。</source>
        <translation>Read again: no target is recorded for this file (Ctrl+N makes it with ctags).</translation>
    </message>
    <message>
        <source>ctags を起動できませんでした。TAGSファイルと表示は元のままです。</source>
        <translation>ctags could not be started. The tags file and the tree are as they were.</translation>
    </message>
    <message>
        <source>ctags を起動できませんでした（%1）。TAGSファイルと表示は元のままです。</source>
        <translation>ctags could not be started (%1). The tags file and the tree are as they were.</translation>
    </message>
</context>
</TS>
