// The file and folder commands on real files: reading every text encoding
// (40), copying (25), writing text files (21), folders (22, 47, 16) and the
// file test (37). Exact bytes on disk are read with the helper program
// (exit_with.exe --hex, started with command 2).
var T = PageTest;
var S = TEST_ENV.scratch;                                // an empty folder
var FIX = TEST_ENV.build + "\\tests\\file-fixtures\\";   // made at build time
var EXIT = TEST_ENV.build + "\\tests\\exit_with.exe";
var TEXT = "Gr\u00fc\u00dfe\r\n\u20ac A";                  // the text of every fixture

// Callback texts show paths with forward slashes.
function fwd(path) { return path.replace(/\\/g, "/"); }
function quote(path) { return '"' + path + '"'; }

// The bytes of a file as upper-case hex ("" for an empty file), null when missing.
var hexFiles = 0;
function hexOf(path) {
    var out = S + "\\hex\\" + (hexFiles++) + ".txt";
    T.call(22, { path: S + "\\hex" });
    var code = T.call(2, { file: EXIT, commandLine: "--hex " + quote(path) + " " + quote(out) }).exitCode;
    if (code === 3) return null;
    T.equal("hex helper on " + path, code, 0);
    return T.execute(40, { filePath: out });
}
// Whether a file or folder exists, by the helper program.
function present(path) {
    var code = T.call(2, { file: EXIT, commandLine: "--wait-for " + quote(path) + " --timeout 0 1" }).exitCode;
    return code === 1;
}

function readText() {
    var cases = [
        ["UTF-16BE with a mark", FIX + "utf16be.txt", TEXT],
        ["UTF-16LE with a mark", FIX + "utf16le.txt", TEXT],
        ["UTF-8 with a mark", FIX + "utf8bom.txt", TEXT],
        ["UTF-8 without a mark", FIX + "utf8.txt", TEXT],
        ["not UTF-8: the ANSI code page (1252 here)", FIX + "ansi.txt", "caf\u00e9 \u20ac"],
        ["only a mark", FIX + "bomonly.txt", ""],
        ["missing file", S + "\\missing.txt", ""],
        ["a folder", S, ""],
        ["onFinishId -1 reads in the call", FIX + "utf16be.txt", TEXT, -1],
        ["onFinishId as a text reads in the call", FIX + "utf16be.txt", TEXT, "3"],
        ["onFinishId with a fraction reads in the call", FIX + "utf16be.txt", TEXT, 2.5],
        ["onFinishId 0 reads in a worker whose result is dropped", FIX + "utf16be.txt", "", 0]
    ];
    for (var i = 0; i < cases.length; i++) {
        var params = { filePath: cases[i][1] };
        if (cases[i].length > 3) params.onFinishId = cases[i][3];
        T.equal("40 " + cases[i][0], T.execute(40, params), cases[i][2]);
    }
    var bad = [undefined, {}, { filePath: 5 }, { filePath: null }, [FIX + "utf8.txt"]];
    for (var j = 0; j < bad.length; j++) T.equal("40 params " + JSON.stringify(bad[j]), T.execute(40, bad[j]), "");

    // In a worker: the answer is empty, the text comes with the callback.
    T.listen(3, function (p) {
        T.equal("40 worker result", p, { content: TEXT, error: "", "function": "readFileThread", result: true });
    });
    T.equal("40 worker answer", T.execute(40, { filePath: FIX + "utf16be.txt", onFinishId: 3 }), "");
    T.listen(4, function (p) {
        T.equal("40 worker on an empty text: result", [p.result, p.content, p["function"]], [false, "", "readFileThread"]);
        T.check("40 worker on an empty text: error", p.error.indexOf(
            "readFileThread_readFile_" + fwd(FIX) + "bomonly.txt_emptyFile_") === 0, p.error);
    });
    T.equal("40 worker answer on an empty text", T.execute(40, { filePath: FIX + "bomonly.txt", onFinishId: 4 }), "");
}

function copy() {
    var to = S + "\\copy\\new";  // missing: the copy creates it
    var done = { result: true, error: "" };
    T.equal("25 into a missing folder", T.call(25, { filePath: FIX + "utf8.txt", newFilePath: to, newFileName: "c.txt" }), done);
    T.equal("25 the copy's text", T.execute(40, { filePath: to + "\\c.txt" }), TEXT);
    T.equal("25 over an existing file", T.call(25, { filePath: FIX + "bomonly.txt", newFilePath: to, newFileName: "c.txt" }), done);
    T.equal("25 the replaced file's bytes", hexOf(to + "\\c.txt"), "FFFE");

    var missing = S + "\\nothing.txt";
    T.equal("25 missing source", T.call(25, { filePath: missing, newFilePath: to, newFileName: "d.txt" }),
            { result: false, error: fwd(missing) + "_" + fwd(to) + "_d.txt_file_does_not_exists" });
    T.equal("25 missing source: no target", present(to + "\\d.txt"), false);

    // A copy that cannot be made is a failure, never a success.
    var bad = [
        [{ newFilePath: to, newFileName: "e.txt" }, "copyFile_filePath_missing"],
        [{ filePath: FIX + "utf8.txt", newFileName: "e.txt" }, "copyFile_newFilePath_missing"],
        [{ filePath: FIX + "utf8.txt", newFilePath: to }, "copyFile_newFileName_missing"],
        [{ filePath: FIX + "utf8.txt", newFilePath: to, newFileName: 7 }, "copyFile_newFileName_missing"],
        [{ filePath: FIX + "utf8.txt", newFilePath: to, newFileName: "e.txt\u0000x" }, "copyFile_newFileName_missing"],
        [{ filePath: FIX + "utf8.txt", newFilePath: [to], newFileName: "e.txt", onFinishId: 9 }, "copyFile_newFilePath_missing"]
    ];
    for (var i = 0; i < bad.length; i++) {
        T.equal("25 " + JSON.stringify(bad[i][0]), T.call(25, bad[i][0]), { result: false, error: bad[i][1] });
    }
    T.equal("25 nothing copied for the refused requests", present(to + "\\e.txt"), false);

    // In a worker: the answer tells only that it started.
    T.listen(6, function (p) {
        T.equal("25 worker result", p, { error: "", "function": "copyFileThread", result: true });
        T.equal("25 worker's copy", T.execute(40, { filePath: to + "\\w.txt" }), TEXT);
    });
    T.equal("25 worker answer", T.call(25, { filePath: FIX + "utf16le.txt", newFilePath: to, newFileName: "w.txt", onFinishId: 6 }), done);
    T.listen(7, function (p) {
        T.equal("25 worker with a missing source", p, {
            error: fwd(missing) + "_" + fwd(to) + "_x.txt_file_does_not_exists", "function": "copyFileThread", result: false });
    });
    T.equal("25 worker answer, missing source", T.call(25, { filePath: missing, newFilePath: to, newFileName: "x.txt", onFinishId: 7 }), done);
}

function textFiles() {
    var folder = S + "\\text\\deep";  // missing: created with its parents
    var file = folder + "\\a.txt";
    T.equal("21 hello", T.call(21, { filePath: folder, name: "a", content: "hello" }), true);
    T.equal("21 hello is ten bytes of UTF-16LE", hexOf(file), "680065006C006C006F00");
    T.equal("21 hi over hello", T.call(21, { filePath: folder, name: "a", content: "hi" }), true);
    T.equal("21 hi leaves four bytes", hexOf(file), "68006900");
    T.equal("21 empty content fails", T.call(21, { filePath: folder, name: "a", content: "" }), false);
    T.equal("21 empty content leaves the file", hexOf(file), "68006900");
    T.equal("21 empty content, new file", T.call(21, { filePath: folder, name: "b", content: "" }), false);
    T.equal("21 empty content, new file stays empty", hexOf(folder + "\\b.txt"), "");
    T.equal("21 non-ASCII text", T.call(21, { filePath: folder, name: "u", content: "\u00e9\u20ac" }), true);
    T.equal("21 non-ASCII bytes", hexOf(folder + "\\u.txt"), "E900AC20");
    T.equal("21 folder under a file", T.call(21, { filePath: file + "\\sub", name: "a", content: "x" }), false);

    var bad = [
        { name: "c", content: "x" },
        { filePath: folder, content: "x" },
        { filePath: folder, name: "c" },
        { filePath: folder, name: "c", content: 5 },
        { filePath: 1, name: "c", content: "x" },
        { filePath: folder, name: "c\u0000d", content: "x" }
    ];
    for (var i = 0; i < bad.length; i++) T.equal("21 " + JSON.stringify(bad[i]), T.call(21, bad[i]), false);
    T.equal("21 nothing written for the refused requests", [present(folder + "\\c.txt"), present(folder + "\\c")], [false, false]);
}

function folders() {
    var deep = S + "\\f1\\f2\\f3";
    T.equal("22 creates the parents", T.call(22, { path: deep }), true);
    T.equal("22 an existing folder", T.call(22, { path: deep }), true);
    T.equal("22 under a file", T.call(22, { path: S + "\\text\\deep\\a.txt\\x" }), false);
    T.equal("47 a new folder is empty", T.call(47, { path: deep }), true);
    T.equal("47 a folder holding a folder", T.call(47, { path: S + "\\f1\\f2" }), false);
    T.equal("47 a missing folder", T.call(47, { path: S + "\\nothing" }), false);
    T.equal("47 a file", T.call(47, { path: FIX + "utf8.txt" }), false);
    T.equal("37 a file", T.call(37, { filePath: FIX + "utf8.txt" }), true);
    T.equal("37 a folder", T.call(37, { filePath: deep }), false);
    T.equal("37 a missing file", T.call(37, { filePath: S + "\\nothing.txt" }), false);
    var bad = [undefined, {}, { path: 3, filePath: 3 }, { path: null, filePath: null }];
    for (var i = 0; i < bad.length; i++) {
        var name = " params " + JSON.stringify(bad[i]);
        T.equal("22" + name, T.call(22, bad[i]), false);
        T.equal("47" + name, T.call(47, bad[i]), false);
        T.equal("37" + name, T.call(37, bad[i]), false);
    }

    // Deletion of a whole tree, named with forward slashes and a final slash.
    var tree = S + "\\del";
    T.call(22, { path: tree + "\\a\\b" });
    T.call(21, { filePath: tree + "\\a", name: "t", content: "x" });
    T.equal("16 answers nothing", T.execute(16, { folder: fwd(tree) + "/" }), undefined);
    T.equal("16 deleted the tree", present(tree), false);
    T.equal("16 a missing folder", T.execute(16, { folder: tree }), undefined);
    // A path cut short at a NUL would name the folder that holds it.
    var keep = S + "\\keep";
    T.call(21, { filePath: keep, name: "k", content: "x" });
    var refused = [{}, { folder: "" }, { folder: 5 }, { folder: keep + "\u0000\\x" }];
    for (var j = 0; j < refused.length; j++) {
        T.equal("16 " + JSON.stringify(refused[j]), T.execute(16, refused[j]), undefined);
    }
    T.equal("16 kept what it was not asked to delete", present(keep + "\\k.txt"), true);
}

function installerMain() {
    readText();
    copy();
    textFiles();
    folders();
    T.finishWhenIdle();
}
