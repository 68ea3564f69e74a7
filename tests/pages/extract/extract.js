// The extraction commands (36 without a password, 39 with the package
// password) against the real program. The archives come from the test
// server's files/transfer folder (tests/support/make-transfer-fixtures.sh):
// plain.7z without a password, package.7z encrypted like an interface
// package; both hold index.html, top.txt and sub/dir/inner.txt.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var ARCHIVES = TEST_ENV.filesDir + "\\..\\..\\transfer\\";
var PLAIN = ARCHIVES + "plain.7z";
var PACKAGE = ARCHIVES + "package.7z";
var OUT = TEST_ENV.scratch + "\\";

function readText(path) {
    if (!fso.FileExists(path)) return null;
    var stream = fso.OpenTextFile(path, 1);
    var text = stream.AtEndOfStream ? "" : stream.ReadAll();
    stream.Close();
    return text;
}
// The two files of the archives, as found in a folder (null: missing).
function tree(folder) {
    return [readText(folder + "top.txt"), readText(folder + "sub\\dir\\inner.txt")];
}
var FULL_TREE = ["top\r\n", "inner\r\n"];
var NO_TREE = [null, null];

// Waits (at most about 10 s) until test() holds; a synchronous request to the
// test server that answers after 200 ms is the clock.
function waitFor(test) {
    for (var i = 0; i < 50 && !test(); ++i) {
        PageTest.execute(4, { url: TEST_ENV.server + "/bytes/1?drip=200" });
    }
    return test();
}

// Each case: command, archive, output folder, the finish message's result and
// function, and the files found afterwards.
var GZIP = "extractGzipThreadRequest", WITH_PASSWORD = "extractWithPasswordThreadRequest";
var CASES = [
    ["36 plain", 36, PLAIN, OUT + "p36\\", true, GZIP, FULL_TREE],
    ["36 plain, folder without final backslash", 36, PLAIN, OUT + "p36short", true, GZIP, FULL_TREE],
    ["36 plain over an older file", 36, PLAIN, OUT + "over\\", true, GZIP, FULL_TREE],
    // Every file is written, but the password was never asked for.
    ["39 plain", 39, PLAIN, OUT + "p39\\", false, WITH_PASSWORD, FULL_TREE],
    ["39 package", 39, PACKAGE, OUT + "k39\\", true, WITH_PASSWORD, FULL_TREE],
    ["36 package", 36, PACKAGE, OUT + "k36\\", false, GZIP, NO_TREE],
    ["36 missing archive", 36, ARCHIVES + "missing.7z", OUT + "m36\\", false, GZIP, NO_TREE],
    // The output folder cannot be created below a file: a finish message all the same.
    ["36 folder below a file", 36, PLAIN, OUT + "blocker.txt\\sub\\", false, GZIP, NO_TREE]
];

function checkCases() {
    fso.CreateFolder(OUT + "over");
    var old = fso.CreateTextFile(OUT + "over\\top.txt", true);
    old.Write("an older and longer text");
    old.Close();
    fso.CreateTextFile(OUT + "blocker.txt", true).Close();

    for (var i = 0; i < CASES.length; ++i) (function (c, id) {
        var answer = PageTest.execute(c[1], { inputFilePath: c[2], outputFolder: c[3], onFinishId: id });
        PageTest.equal(c[0] + ": no answer", typeof answer, "undefined");
        PageTest.listen(id, function (p) {
            PageTest.equal(c[0], p, { error: "", "function": c[5], result: c[4] });
            var folder = c[3].charAt(c[3].length - 1) === "\\" ? c[3] : c[3] + "\\";
            PageTest.equal(c[0] + ": files", tree(folder), c[6]);
        });
    })(CASES[i], 10 + i);
}

// Refused requests: no answer, no message (99 has no listener), nothing written.
function checkRefused() {
    var refusedOut = OUT + "refused\\";
    var cases = [
        ["no params", undefined],
        ["inputFilePath missing", { outputFolder: refusedOut, onFinishId: 99 }],
        ["inputFilePath a number", { inputFilePath: 5, outputFolder: refusedOut, onFinishId: 99 }],
        ["outputFolder missing", { inputFilePath: PLAIN, onFinishId: 99 }],
        ["outputFolder empty", { inputFilePath: PLAIN, outputFolder: "", onFinishId: 99 }],
        ["outputFolder a number", { inputFilePath: PLAIN, outputFolder: 3, onFinishId: 99 }]
    ];
    for (var i = 0; i < cases.length; ++i) {
        PageTest.equal("36 " + cases[i][0], typeof PageTest.execute(36, cases[i][1]), "undefined");
        PageTest.equal("39 " + cases[i][0], typeof PageTest.execute(39, cases[i][1]), "undefined");
    }
    return refusedOut;
}

// Without an integer onFinishId the archive is unpacked, but no message arrives.
function checkNoFinishId(refusedOut) {
    PageTest.execute(36, { inputFilePath: PLAIN, outputFolder: OUT + "nofinish\\" });
    PageTest.execute(36, { inputFilePath: PLAIN, outputFolder: OUT + "stringfinish\\", onFinishId: "98" });
    PageTest.check("no onFinishId: unpacked", waitFor(function () {
        return tree(OUT + "nofinish\\").join() === FULL_TREE.join() &&
               tree(OUT + "stringfinish\\").join() === FULL_TREE.join();
    }));
    PageTest.equal("refused requests wrote nothing", fso.FolderExists(refusedOut), false);
}

function installerMain() {
    var refusedOut = checkRefused();
    checkCases();
    checkNoFinishId(refusedOut);
    PageTest.finishWhenIdle();
}
