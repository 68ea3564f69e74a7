// The download command (1) against the real program: refused requests, progress
// messages, free names in the working directory, failed transfers and requests
// whose finish message nobody receives. Files are looked at with the scripting
// runtime's file object.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var GOOD = TEST_ENV.server + "/bytes/1000";

function windowsPath(path) { return path.replace(/\//g, "\\"); }
function folderOf(path) { return path.slice(0, path.lastIndexOf("/") + 1); }
function fileSize(path) { return fso.FileExists(windowsPath(path)) ? fso.GetFile(windowsPath(path)).Size : -1; }

// Waits (at most about 10 s) until test() holds; a synchronous request to the
// test server that answers after 200 ms is the clock.
function waitFor(test) {
    for (var i = 0; i < 50 && !test(); ++i) {
        PageTest.execute(4, { url: TEST_ENV.server + "/bytes/1?drip=200" });
    }
    return test();
}

// Starts a download; checks the immediate answer of a started worker.
function start(name, params) {
    var answer = PageTest.call(1, params);
    PageTest.check(name + ": started", typeof answer === "object" && answer.result === true &&
                   answer.error === "" && typeof answer.threadId === "number" && answer.threadId !== 0,
                   JSON.stringify(answer));
    return answer;
}

// Requests refused at once: no worker, no message for 98 or 99 (no listener:
// a delivery fails the run).
function checkRefused() {
    var fileName = "refused.bin";
    var cases = [
        ["no params", undefined, "downloadFile_url_missing"],
        ["url missing", { fileName: fileName }, "downloadFile_url_missing"],
        ["url a number", { url: 5, fileName: fileName }, "downloadFile_url_missing"],
        ["fileName missing", { url: GOOD }, "downloadFile_fileName_missing"],
        ["fileName a number", { url: GOOD, fileName: 7 }, "downloadFile_fileName_missing"],
        ["fileName empty", { url: GOOD, fileName: "" }, "downloadFile_fileName_invalid"],
        ["fileName .", { url: GOOD, fileName: "." }, "downloadFile_fileName_invalid"],
        ["fileName ..", { url: GOOD, fileName: ".." }, "downloadFile_fileName_invalid"],
        ["fileName '.. '", { url: GOOD, fileName: ".. " }, "downloadFile_fileName_invalid"],
        ["fileName ..\\", { url: GOOD, fileName: "..\\escape.bin" }, "downloadFile_fileName_invalid"],
        ["fileName sub/", { url: GOOD, fileName: "sub/escape.bin" }, "downloadFile_fileName_invalid"],
        ["fileName absolute", { url: GOOD, fileName: windowsPath(TEST_ENV.scratch) + "\\escape.bin" },
         "downloadFile_fileName_invalid"],
        ["fileName drive", { url: GOOD, fileName: "C:escape.bin" }, "downloadFile_fileName_invalid"],
        ["fileName stream", { url: GOOD, fileName: "escape.bin:stream" }, "downloadFile_fileName_invalid"]
    ];
    for (var i = 0; i < cases.length; ++i) {
        var params = cases[i][1];
        if (params) { params.onFinishId = 99; params.onProgressId = 98; params.progressPercent = 10; }
        PageTest.equal(cases[i][0], PageTest.call(1, params), { threadId: 0, result: false, error: cases[i][2] });
    }
}

// Progress every 10 % of a known length: percent 10, 20, 30 ... each after
// at least a tenth of the body; then the finish message and the whole file.
function checkProgress(then) {
    var url = TEST_ENV.server + "/bytes/1000000";
    var reports = [];
    start("progress 10", { url: url, fileName: "progress.bin", onProgressId: 10, onFinishId: 11,
                                       progressPercent: 10 });
    PageTest.listen(10, function (p) { reports.push(p); return true; });
    PageTest.listen(11, function (p) {
        PageTest.unlisten(10);
        var percents = [], expected = [], amounts = true, total = 0;
        for (var i = 0; i < reports.length; ++i) {
            percents.push(reports[i].percent);
            expected.push(10 * (i + 1));
            amounts = amounts && reports[i].amount >= 100000 && reports[i]["function"] === "progressCallback" &&
                      reports[i].url === url;
            total += reports[i].amount;
        }
        PageTest.check("progress 10: 9 or 10 reports", reports.length === 9 || reports.length === 10,
                       JSON.stringify(percents));
        PageTest.equal("progress 10: percents", percents, expected);
        PageTest.check("progress 10: amounts, names, url", amounts && total <= 1000000, JSON.stringify(reports[0]));
        PageTest.equal("progress 10: finish", [p.result, p["function"], p.url], [true, "downloadThreadRequest", url]);
        PageTest.check("progress 10: outputPath", /^[A-Za-z]:\/.*\/progress\.bin$/.test(p.outputPath), p.outputPath);
        PageTest.equal("progress 10: file size", fileSize(p.outputPath), 1000000);
        then(folderOf(p.outputPath));
    });
}

// Steps outside 0..100 count as 0: every report has percent 0, and every
// byte is counted (reports at each 5 % of the length).
function checkStepOutOfRange(step, progressId, finishId) {
    var url = TEST_ENV.server + "/bytes/100000";
    var reports = [];
    start("step " + step, { url: url, fileName: "step" + step + ".bin", onProgressId: progressId,
                            onFinishId: finishId, progressPercent: step });
    PageTest.listen(progressId, function (p) { reports.push(p); return true; });
    PageTest.listen(finishId, function (p) {
        PageTest.unlisten(progressId);
        var percents = 0, total = 0;
        for (var i = 0; i < reports.length; ++i) { percents += reports[i].percent; total += reports[i].amount; }
        PageTest.check("step " + step + ": reports", reports.length >= 9, reports.length);
        PageTest.equal("step " + step + ": percents all 0, all bytes counted", [percents, total], [0, 100000]);
        PageTest.equal("step " + step + ": finish", p.result, true);
        PageTest.equal("step " + step + ": file size", fileSize(p.outputPath), 100000);
    });
}

// The same name again gets the first free numbered form; texts stay intact.
function checkFreeNames(folder) {
    var G = "Gr\u00fc\u00dfe \u65e5\u672c.txt";
    var steps = [
        ["a.b.c", "a.b.c"], ["a.b.c", "a.b (1).c"], ["a.b.c", "a.b (2).c"],
        ["README", "README"], ["README", "README (1)"],
        [G, G], [G, "Gr\u00fc\u00dfe \u65e5\u672c (1).txt"]
    ];
    var i = 0;
    function next() {
        if (i === steps.length) { checkNoFinishId(folder); return; }
        var step = steps[i++];
        var id = 30 + i;
        start("free name " + step[1], { url: GOOD, fileName: step[0], onFinishId: id });
        PageTest.listen(id, function (p) {
            PageTest.equal("free name " + step[1], p.outputPath, folder + step[1]);
            PageTest.equal("free name " + step[1] + " size", fileSize(p.outputPath), 1000);
            next();
        });
    }
    next();
}

// A failed transfer: the worker was started; its finish message says false
// and no file is left in the working directory.
function checkFailures(folder) {
    var cases = [
        ["404", TEST_ENV.server + "/status/404", "missing.bin", 50],
        ["short body", TEST_ENV.server + "/bytes/5000?length=9000", "short.bin", 51],
        ["no server", "http://127.0.0.1:1/x", "noserver.bin", 52]
    ];
    for (var i = 0; i < cases.length; ++i) (function (c) {
        start("failure " + c[0], { url: c[1], fileName: c[2], onFinishId: c[3] });
        PageTest.listen(c[3], function (p) {
            PageTest.equal("failure " + c[0], p, { "function": "downloadThreadRequest", outputPath: "",
                                                   result: false, url: c[1] });
            PageTest.equal("failure " + c[0] + ": no file", fso.FileExists(windowsPath(folder + c[2])), false);
        });
    })(cases[i]);
}

// Without an integer onFinishId the file still arrives, but no message does
// (a message for 40 would find no listener and fail the run).
function checkNoFinishId(folder) {
    PageTest.call(1, { url: GOOD, fileName: "nofinish.bin" });
    PageTest.call(1, { url: GOOD, fileName: "stringfinish.bin", onFinishId: "40" });
    PageTest.check("no onFinishId: file arrives", waitFor(function () {
        return fileSize(folder + "nofinish.bin") === 1000 && fileSize(folder + "stringfinish.bin") === 1000;
    }), folder);
    // Nothing refused at the start was written next to the working directory.
    PageTest.equal("refused names wrote nothing", [fso.FileExists(windowsPath(folder + "../escape.bin")),
                   fso.FileExists(windowsPath(TEST_ENV.scratch + "\\escape.bin")),
                   fso.FileExists(windowsPath(folder + "refused.bin"))], [false, false, false]);
}

function installerMain() {
    checkRefused();
    checkProgress(function (folder) {
        checkStepOutOfRange(150, 20, 21);
        checkStepOutOfRange(-5, 22, 23);
        checkFailures(folder);
        checkFreeNames(folder);
    });
}
