<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Contents</name>
    <message>
        <source>ファイルサイズ: %1ﾊﾞｲﾄ</source>
        <translation>Size: %1 bytes</translation>
    </message>
    <message>
        <source>フォーマット: Crow%1</source>
        <translation>Format: Crow%1</translation>
    </message>
    <message>
        <source>総ファイル数: %1ファイル</source>
        <translation>Files: %1</translation>
    </message>
    <message>
        <source>ファイルリスト: </source>
        <translation>Contents: </translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>W.X.Hollin    ファイルの解凍先&gt; %1</source>
        <extracomment>The main window&apos;s caption; %1 is the folder releases go into.</extracomment>
        <translation>W.X.Hollin    Release to&gt; %1</translation>
    </message>
    <message>
        <source>ファイル未選択</source>
        <translation>No file selected</translation>
    </message>
    <message>
        <source>ファイルが選択されてないよぉ(^_^;)</source>
        <translation>No file is selected (^_^;)</translation>
    </message>
    <message>
        <source>キャンセルされました</source>
        <translation>Cancelled.</translation>
    </message>
    <message>
        <source>未知の形式だよぉ～(&gt;_&lt;)</source>
        <translation>Unknown format (&gt;_&lt;)</translation>
    </message>
    <message>
        <source>ファイルが読めませ～ん！</source>
        <translation>Cannot read the file!</translation>
    </message>
    <message>
        <source>ファイルの書き込みができなかったよぉ(T_T)</source>
        <translation>Could not write the files (T_T)</translation>
    </message>
    <message>
        <source>ファイルサイズがおかしいよぉ～(&gt;_&lt;)</source>
        <translation>The file size is wrong (&gt;_&lt;)</translation>
    </message>
    <message>
        <source>このフォルダにはファイルが存在しません</source>
        <translation>This folder holds no files.</translation>
    </message>
    <message>
        <source>パスワードが入力されてないですよ</source>
        <translation>No password was entered.</translation>
    </message>
    <message>
        <source>%1を作成！！</source>
        <extracomment>%1 is the Crow file just written.</extracomment>
        <translation>Created %1!</translation>
    </message>
    <message>
        <source>エラ－：クロウファイルを作成できませんでした</source>
        <translation>Error: could not create the Crow file.</translation>
    </message>
    <message>
        <source>%1に上書きしてもいいですか？</source>
        <extracomment>%1 is the file that exists already.</extracomment>
        <translation>Overwrite %1?</translation>
    </message>
    <message>
        <source>上書き確認</source>
        <translation>Confirm Overwrite</translation>
    </message>
    <message>
        <source>パスワードが違うみたいです。
%1 の中身がファイル名と合いません。
それでもレリーズしますか？</source>
        <translation>The password looks wrong.
Decoded with it, %1 do not look like what their names say.
Release anyway?</translation>
    </message>
    <message>
        <source>次の%1個のファイルは、名前を変えて格納されます：

%2

このまま作成しますか？</source>
        <extracomment>%1 is the number of files, %2 one line per file: &quot;name on disk → name stored&quot;.</extracomment>
        <translation>These %1 files will be stored under changed names:

%2

Create the Crow file anyway?</translation>
    </message>
    <message>
        <source>ファイル名の変更</source>
        <translation>Changed File Names</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>必要</source>
        <translation>Required</translation>
    </message>
    <message>
        <source>無し</source>
        <translation>None</translation>
    </message>
    <message>
        <source> CrowFile: %1</source>
        <translation> Crow file: %1</translation>
    </message>
    <message>
        <source>   ファイルサイズ: %1</source>
        <translation>   Size: %1</translation>
    </message>
    <message>
        <source>   ファイルフォーマット: Crow%1</source>
        <translation>   Format: Crow%1</translation>
    </message>
    <message>
        <source>   パスワード: %1</source>
        <translation>   Password: %1</translation>
    </message>
    <message>
        <source>   含まれるファイル数: %1ファイル</source>
        <translation>   Files inside: %1</translation>
    </message>
    <message>
        <source>&#x3000;    %1&#x3000;&#x3000;%2</source>
        <translation>     %1   %2</translation>
    </message>
    <message>
        <source>      他 %1ファイル&#x3000;&#x3000;(詳細は右クリック)</source>
        <translation>      and %1 more   (right-click for details)</translation>
    </message>
</context>
<context>
    <name>StartCommands</name>
    <message>
        <source>%1
が見つかりません</source>
        <translation>%1
was not found.</translation>
    </message>
    <message>
        <source>%1
はファイルではありません</source>
        <translation>%1
is not a file.</translation>
    </message>
    <message>
        <source>%1
はフォルダではありません</source>
        <translation>%1
is not a folder.</translation>
    </message>
    <message>
        <source>レリーズするCrowファイルを指定してください</source>
        <translation>Name the Crow files to release.</translation>
    </message>
    <message>
        <source>Crowファイルにするフォルダを指定してください</source>
        <translation>Name the folder to pack into a Crow file.</translation>
    </message>
    <message>
        <source>Crowファイルにできるフォルダは一度に一つだけです</source>
        <translation>Only one folder can be packed at a time.</translation>
    </message>
    <message>
        <source>--release と --pack は一緒に使えません</source>
        <translation>--release and --pack cannot be used together.</translation>
    </message>
    <message>
        <source>使い方が正しくありません：%1</source>
        <translation>Wrong command line: %1</translation>
    </message>
</context>
<context>
    <name>cCommonDlg</name>
    <message>
        <source>関数がダイアログ ボックスをロードできません。</source>
        <translation>The function could not load the dialog box.</translation>
    </message>
    <message>
        <source>メンバ lpstrFile が指すバッファが小さすぎます。</source>
        <translation>The buffer that lpstrFile points to is too small.</translation>
    </message>
    <message>
        <source>ファイル名が無効です。</source>
        <translation>The file name is not valid.</translation>
    </message>
    <message>
        <source>メモリ不足のために、リスト ボックスをサブクラス化できません。</source>
        <translation>Not enough memory to subclass the list box.</translation>
    </message>
    <message>
        <source>フォントが存在しません。</source>
        <translation>No fonts exist.</translation>
    </message>
    <message>
        <source>WIN.INI ファイル内の [devices] セクションに、必要なプリンタについてのエントリがありません。</source>
        <translation>The [devices] section of WIN.INI has no entry for the requested printer.</translation>
    </message>
    <message>
        <source>PrintDlg 関数が情報コンテキストを作成できません。</source>
        <translation>PrintDlg could not create an information context.</translation>
    </message>
    <message>
        <source>DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。</source>
        <translation>The DevMode and DevNames structures describe different printers.</translation>
    </message>
    <message>
        <source>通常使うプリンタが設定されていません。</source>
        <translation>No default printer is set.</translation>
    </message>
    <message>
        <source>プリンタ ドライバが見つかりません。</source>
        <translation>The printer driver was not found.</translation>
    </message>
    <message>
        <source>PrintDlg 関数を初期化できません。</source>
        <translation>PrintDlg could not be initialised.</translation>
    </message>
    <message>
        <source>プリンタ ドライバが DevMode データ構造を初期化できません。</source>
        <translation>The printer driver could not initialise the DevMode structure.</translation>
    </message>
    <message>
        <source>PrintDlg 関数が、指定したプリンタ ドライバをロードできません。</source>
        <translation>PrintDlg could not load the given printer driver.</translation>
    </message>
    <message>
        <source>PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。</source>
        <translation>PDReturnDefault is set, but hDevMode or hDevNames is not 0.</translation>
    </message>
    <message>
        <source>CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。</source>
        <translation>The common dialog could not parse the [devices] section of WIN.INI.</translation>
    </message>
    <message>
        <source>必要なリソースを読み込めません。</source>
        <translation>A required resource could not be read.</translation>
    </message>
    <message>
        <source>Microsoft Windows のヘルプを呼び出せません。</source>
        <translation>Microsoft Windows Help could not be started.</translation>
    </message>
    <message>
        <source>FileName プロパティまたは Filter プロパティにメモリを割り当てられません。</source>
        <translation>No memory could be allocated for FileName or Filter.</translation>
    </message>
    <message>
        <source>[キャンセル] ボタンが選択されました。</source>
        <translation>The Cancel button was chosen.</translation>
    </message>
    <message>
        <source>関数が、ハンドルに関連付けられたメモリをロックできません。</source>
        <translation>The function could not lock the memory of a handle.</translation>
    </message>
    <message>
        <source>関数が、内部のデータ構造にメモリを割り当てられません。</source>
        <translation>The function could not allocate memory for its internal structures.</translation>
    </message>
    <message>
        <source>関数が指定したリソースをロックできません。</source>
        <translation>The function could not lock the given resource.</translation>
    </message>
    <message>
        <source>関数が指定したリソースをロードできません。</source>
        <translation>The function could not load the given resource.</translation>
    </message>
    <message>
        <source>関数を初期化できません。</source>
        <translation>The function could not be initialised.</translation>
    </message>
    <message>
        <source>未知のｴﾗｰです。</source>
        <translation>Unknown error.</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Developed by TOBARI</source>
        <translation>Developed by TOBARI</translation>
    </message>
    <message>
        <source>%1のﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About %1</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>W.X.Hollinの絵</source>
        <translation>W.X.Hollin picture</translation>
    </message>
    <message>
        <source>ホームページ</source>
        <translation>Home page</translation>
    </message>
</context>
<context>
    <name>frmConfig</name>
    <message>
        <source>ファイルの解凍先の選択</source>
        <translation>Release Folder</translation>
    </message>
    <message>
        <source>取り出したファイルの復元先フォルダの指定だよ</source>
        <translation>Choose the folder that released files go into</translation>
    </message>
    <message>
        <source>ドライブの選択</source>
        <translation>Choose a drive</translation>
    </message>
    <message>
        <source>ディレクトリの選択</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>オプション：</source>
        <translation>Option:</translation>
    </message>
    <message>
        <source>ファイルが１つの時はフォルダを生成しない(&amp;F)</source>
        <translation>No sub-&amp;folder when a Crow file holds one file</translation>
    </message>
    <message>
        <source>OK(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>ファイルの解凍先</source>
        <translation>Release folder</translation>
    </message>
</context>
<context>
    <name>frmCrow</name>
    <message>
        <source>Crowファイルの作成</source>
        <translation>Create Crow File</translation>
    </message>
    <message>
        <source>クロウファイル化するフォルダのパス：</source>
        <translation>Folder to pack into a Crow file:</translation>
    </message>
    <message>
        <source>（フォルダを選択してください）</source>
        <translation>(Choose a folder)</translation>
    </message>
    <message>
        <source>モード選択</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>パスワード：(&amp;P)</source>
        <translation>&amp;Password:</translation>
    </message>
    <message>
        <source>Crowファイルの作成(&amp;M)</source>
        <translation>&amp;Make Crow File</translation>
    </message>
    <message>
        <source>パスワード付き(&amp;E)</source>
        <translation>Us&amp;e a password</translation>
    </message>
    <message>
        <source>総ファイル数： 0個</source>
        <translation>Files: 0</translation>
    </message>
    <message>
        <source>＜&#x3000;フォルダ情報&#x3000;＞</source>
        <translation>&lt; Folder contents &gt;</translation>
    </message>
    <message>
        <source>総ファイル数: %1個</source>
        <translation>Files: %1</translation>
    </message>
    <message>
        <source>作成するビットマップファイル</source>
        <translation>Bitmap File to Create</translation>
    </message>
    <message>
        <source>ビットマップファイル(*.bmp)|*.bmp</source>
        <translation>Bitmap files (*.bmp)|*.bmp</translation>
    </message>
    <message>
        <source>クロウファイル化するフォルダのパス</source>
        <translation>Folder to pack</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>フォルダのファイル</source>
        <translation>Files in the folder</translation>
    </message>
</context>
<context>
    <name>frmDialog</name>
    <message>
        <source>処理中...</source>
        <translation>Working...</translation>
    </message>
    <message>
        <source>残り %1B</source>
        <translation>%1 B left</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>進行状況</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>Files</translation>
    </message>
</context>
<context>
    <name>frmFileList</name>
    <message>
        <source>Crowファイルリスト</source>
        <translation>Crow File Contents</translation>
    </message>
    <message>
        <source>ファイルが開けません</source>
        <translation>Cannot open the file.</translation>
    </message>
    <message>
        <source>Crowファイルの中身</source>
        <translation>Contents of the Crow file</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>ドライブを選択してね</source>
        <translation>Choose a drive</translation>
    </message>
    <message>
        <source>ディレクトリを選択して、右クリックでCrowファイルが作れるよ</source>
        <translation>Choose a folder; right-click it to make a Crow file</translation>
    </message>
    <message>
        <source>ファイルを選択してねぇ</source>
        <translation>Choose a file</translation>
    </message>
    <message>
        <source>ダブルクリックでレリ－ズ！！</source>
        <translation>Double-click to release!</translation>
    </message>
    <message>
        <source>何でもドロップＯＫ！！</source>
        <translation>Drop anything here!</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>設定...(&amp;S)</source>
        <translation>&amp;Settings...</translation>
    </message>
    <message>
        <source>終了(&amp;E)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;D)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ファイルリスト(&amp;F)</source>
        <translation>&amp;File List</translation>
    </message>
    <message>
        <source>表示フィルタ(&amp;F)</source>
        <translation>&amp;Filter</translation>
    </message>
    <message>
        <source>ビットマップ(*.bmp) (&amp;B)</source>
        <translation>&amp;Bitmaps (*.bmp)</translation>
    </message>
    <message>
        <source>全ての画像ファイル(&amp;P)</source>
        <translation>All &amp;Pictures</translation>
    </message>
    <message>
        <source>全てのファイル(&amp;A)</source>
        <translation>&amp;All Files</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>目次...(&amp;T)</source>
        <translation>&amp;Contents...</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)</source>
        <translation>&amp;About W.X.Hollin</translation>
    </message>
    <message>
        <source>View右クリック</source>
        <translation>View context menu</translation>
    </message>
    <message>
        <source>&#x3000;レリーズ（全て解凍） (&amp;R)</source>
        <translation>&amp;Release (Extract All)</translation>
    </message>
    <message>
        <source>&#x3000;ファイルリスト(&amp;L)</source>
        <translation>File &amp;List</translation>
    </message>
    <message>
        <source>DirList右クリック</source>
        <translation>Folder context menu</translation>
    </message>
    <message>
        <source>&#x3000;Crowファイル作成(BMP化) (&amp;C)</source>
        <translation>&amp;Create Crow File (BMP)</translation>
    </message>
    <message>
        <source>&#x3000;フォルダを開く(&amp;O)</source>
        <translation>&amp;Open Folder</translation>
    </message>
    <message>
        <source>&#x3000;プロパティ(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source> ＜ファイルプレビューウインドウ＞</source>
        <translation> &lt; File Preview &gt;</translation>
    </message>
    <message>
        <source> &#x3000;ここにファイルの情報を表示します。</source>
        <translation>   Details of a file are shown here.</translation>
    </message>
    <message>
        <source> 「&#x3000;Ｗ．Ｘ．Ｈｏｌｌｉｎの使い方&#x3000;」</source>
        <translation> [ How to use W.X.Hollin ]</translation>
    </message>
    <message>
        <source> &#x3000;&#x3000;フォルダを移動してクロウファイル</source>
        <translation>     Go to a folder and select a Crow</translation>
    </message>
    <message>
        <source> &#x3000;&#x3000;（ＢＭＰ化されたファイル）を選択するか、</source>
        <translation>     file (files packed into a BMP), or</translation>
    </message>
    <message>
        <source> &#x3000;&#x3000;右上の画像にファイルをドロップし</source>
        <translation>     drop one on the picture at top right,</translation>
    </message>
    <message>
        <source> &#x3000;&#x3000;このViewをダブルクリックします。</source>
        <translation>     then double-click this view.</translation>
    </message>
    <message>
        <source>フォルダ&gt; %1</source>
        <translation>Folder&gt; %1</translation>
    </message>
    <message>
        <source>Crowファイル化する？</source>
        <translation>Make a Crow file of this folder?</translation>
    </message>
    <message>
        <source>レリーズ（全解凍）する？</source>
        <translation>Release this Crow file (extract all)?</translation>
    </message>
    <message>
        <source>質問</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>画像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>ここにファイルをドロップ</source>
        <translation>Drop files here</translation>
    </message>
</context>
<context>
    <name>frmPassword</name>
    <message>
        <source>パスワードを入力してください</source>
        <translation>Enter the Password</translation>
    </message>
    <message>
        <source>OK(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
</context>
</TS>
