// The launch command (2) with the helper program exit_with.exe: exit codes,
// waiting or not, workers and their callbacks, requests that start nothing,
// and a document that the shell hands to a program already running (no
// process, so no exit code).
var T = PageTest;
var S = TEST_ENV.scratch;
var EXIT = TEST_ENV.build + "\\tests\\exit_with.exe";
var NOTHING = S + "\\nothing.exe";

function quote(path) { return '"' + path + '"'; }
function answer(exitCode) { return { exitCode: exitCode, result: true, error: "" }; }
function asyncResult(exitCode) {
    return { error: "", exitCode: exitCode, "function": "executeFileAsyncThreadFunc", result: true };
}
// Waits in a worker until the file exists: callback exit code 0, 99 when it never came.
function expectFile(callbackId, path, name) {
    T.listen(callbackId, function (p) { T.equal(name, p, asyncResult(0)); });
    T.call(2, { file: EXIT, commandLine: "--wait-for " + quote(path) + " --timeout 30000 0", onFinishId: callbackId });
}

function inCall() {
    T.equal("exit code 7", T.call(2, { file: EXIT, commandLine: "7" }), answer(7));
    T.equal("bringOnTop", T.call(2, { file: EXIT, commandLine: "7", bringOnTop: true }), answer(7));

    // The parameters reach the program as they were given.
    var marker = S + "\\marker 1.txt";
    var commandLine = "--marker " + quote(marker) + " 3";
    T.equal("parameters", T.call(2, { file: EXIT, commandLine: commandLine }), answer(3));
    var seen = T.execute(40, { filePath: marker });
    T.check("parameters reached the program", seen.slice(-commandLine.length) === commandLine, seen);

    // Only a JSON integer other than -1 asks for a worker: these wait in the call.
    var inCallIds = [-1, "5", 2.5, null, true];
    for (var i = 0; i < inCallIds.length; i++) {
        T.equal("onFinishId " + JSON.stringify(inCallIds[i]) + " waits in the call",
                T.call(2, { file: EXIT, commandLine: "4", onFinishId: inCallIds[i] }), answer(4));
    }

    // syncRun false answers 0 right after the start; the program runs on.
    var late = S + "\\late.txt";
    var started = new Date().getTime();
    T.equal("syncRun false", T.call(2, { file: EXIT, commandLine: "--sleep 5000 --marker " + quote(late) + " 5", syncRun: false }),
            answer(0));
    T.check("syncRun false does not wait", new Date().getTime() - started < 4000, (new Date().getTime() - started) + " ms");
    T.equal("syncRun false: the program is still running", T.call(37, { filePath: late }), false);
    expectFile(21, late, "syncRun false: the program ran to its end");

    T.equal("a program that does not exist", T.call(2, { file: NOTHING, commandLine: "" }), answer(1));
}

// Requests that start nothing answer exit code 1, with or without a callback
// id, and never call back (an unexpected callback fails the page).
function refused() {
    var bad = [
        undefined,
        {},
        { commandLine: "7" },
        { file: 5, commandLine: "7" },
        { file: EXIT },
        { file: EXIT, commandLine: null },
        { file: EXIT, commandLine: 7 },
        { file: [EXIT], commandLine: "7", onFinishId: 30 },
        { file: EXIT, onFinishId: 30 },
        { file: EXIT + "\u0000.txt", commandLine: "7" },
        { file: EXIT, commandLine: "7\u0000", onFinishId: 30 }
    ];
    for (var i = 0; i < bad.length; i++) {
        T.equal("refused " + JSON.stringify(bad[i]), T.call(2, bad[i]), answer(1));
    }
}

function workers() {
    T.listen(5, function (p) { T.equal("worker result", p, asyncResult(9)); });
    T.equal("worker answer", T.call(2, { file: EXIT, commandLine: "9", onFinishId: 5 }), answer(0));

    T.listen(8, function (p) {
        T.equal("worker that cannot start", p,
                { error: "executeFile_ShellExecuteEx_error", exitCode: 2000, "function": "executeFileAsyncThreadFunc", result: false });
    });
    T.equal("worker answer for a program that does not exist", T.call(2, { file: NOTHING, commandLine: "", onFinishId: 8 }), answer(0));

    // Callback id 0 runs in a worker, but its result never reaches the page.
    var zero = S + "\\zero.txt";
    T.equal("onFinishId 0", T.call(2, { file: EXIT, commandLine: "--marker " + quote(zero) + " 6", onFinishId: 0 }), answer(0));
    expectFile(22, zero, "onFinishId 0: the program ran");
}

// A document handed over to a running program: the shell succeeds without a
// process, so there is no exit code to read.
function documentWithoutProcess() {
    var ready = S + "\\dde.txt";
    var doc = S + "\\doc.wiexitdoc";
    T.call(21, { filePath: S, name: "doc", content: "document" });
    T.call(25, { filePath: S + "\\doc.txt", newFilePath: S, newFileName: "doc.wiexitdoc" });
    T.listen(11, function (p) {
        T.equal("the running program received the document", p, asyncResult(42));
        var executed = T.execute(40, { filePath: ready });
        T.check("the document's path reached it", executed.indexOf(doc) > 0, executed);
        inWorker();
    });
    // The same in a worker, with a second server (each serves one document).
    function inWorker() {
        var ready2 = S + "\\dde2.txt";
        T.listen(12, function (p) { T.equal("the second server received the document", p, asyncResult(43)); });
        T.listen(13, function (p) { T.equal("worker: document without a process", p, asyncResult(1000)); });
        T.call(2, { file: EXIT, commandLine: "--dde-server .wiexitdoc " + quote(ready2) + " 43", onFinishId: 12 });
        T.equal("second server ready", T.call(2, { file: EXIT, commandLine: "--wait-for " + quote(ready2) + " 0" }), answer(0));
        T.equal("worker answer for the document", T.call(2, { file: doc, commandLine: "", onFinishId: 13 }), answer(0));
    }
    T.equal("document server answer",
            T.call(2, { file: EXIT, commandLine: "--dde-server .wiexitdoc " + quote(ready) + " 42", onFinishId: 11 }), answer(0));
    T.equal("document server ready", T.call(2, { file: EXIT, commandLine: "--wait-for " + quote(ready) + " 0" }), answer(0));
    var started = new Date().getTime();
    T.equal("document without a process", T.call(2, { file: doc, commandLine: "" }), answer(1000));
    T.check("document without a process answers at once", new Date().getTime() - started < 10000,
            (new Date().getTime() - started) + " ms");
}

function installerMain() {
    inCall();
    refused();
    workers();
    documentWithoutProcess();
    T.finishWhenIdle();
}
