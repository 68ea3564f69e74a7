// The cross-domain request command (4) against the real program: answered in
// the script call without callback ids, by a worker's message with them.
var S = TEST_ENV.server;
// "Grüße – 日本語 €" and its UTF-8 bytes, served by the test server's /hex route.
var TEXT = "Gr\u00fc\u00dfe \u2013 \u65e5\u672c\u8a9e \u20ac";
var TEXT_HEX = "4772c3bcc39f6520e2809320e697a5e69cace8aa9e20e282ac";
var HEADERS = "X-Probe: seen\r\n";
var REFERER = "http://referer.invalid/page";
var RUN = /\/files\/e2e\/([^\/]+)\/$/.exec(TEST_ENV.files)[1];
function statsUrl(probe) { return S + "/stats.gif?event=100&brand=E2E" + RUN + "&probe=" + probe; }

// What the server saw of a /headers request: the probe header and the referer.
function sawHeaders(text) {
    return typeof text === "string" && text.indexOf("X-Probe: seen") >= 0 &&
           text.indexOf("Referer: " + REFERER) >= 0;
}

// Synchronous: the answer is the body, or "" for any failure.
function checkSynchronous() {
    var cases = [
        ["200", { url: S + "/status/200" }, "status 200"],
        ["404", { url: S + "/status/404" }, ""],
        ["no server", { url: "http://127.0.0.1:1/x" }, ""],
        ["onSuccessId a string", { url: S + "/status/200", onSuccessId: "4" }, "status 200"],
        ["onSuccessId -1", { url: S + "/status/200", onSuccessId: -1, onFailureId: -1 }, "status 200"],
        ["UTF-8 body", { url: S + "/hex/" + TEXT_HEX }, TEXT],
        ["UTF-8 body with BOM", { url: S + "/hex/efbbbf" + TEXT_HEX }, TEXT],
        ["url missing", {}, ""],
        ["url a number", { url: 7 }, ""],
        ["no params", undefined, ""],
        // The test server answers 404 for statistics; the address is what counts.
        ["statistics address", { url: statsUrl("sync") }, ""]
    ];
    for (var i = 0; i < cases.length; ++i) {
        PageTest.equal("sync " + cases[i][0], PageTest.execute(4, cases[i][1]), cases[i][2]);
    }
    var echoed = PageTest.execute(4, { url: S + "/headers", additionalRequestHeaders: HEADERS, referer: REFERER });
    PageTest.check("sync headers and referer", sawHeaders(echoed), echoed);
}

// Worker: "" at once, then a message for onSuccessId or onFailureId.
function checkWorker() {
    var cases = [
        ["200", { url: S + "/status/200", onSuccessId: 4, onFailureId: 5 }, 4,
         { content: "status 200", "function": "AjaxRequestThreadFunc", result: true }],
        ["404", { url: S + "/status/404", onSuccessId: 6, onFailureId: 7 }, 7,
         { "function": "AjaxRequestThreadFunc", result: false }],
        ["UTF-8 body", { url: S + "/hex/" + TEXT_HEX, onSuccessId: 8 }, 8,
         { content: TEXT, "function": "AjaxRequestThreadFunc", result: true }],
        ["statistics address", { url: statsUrl("worker"), onFailureId: 9 }, 9,
         { "function": "AjaxRequestThreadFunc", result: false }],
        ["headers and referer", { url: S + "/headers", additionalRequestHeaders: HEADERS, referer: REFERER,
                                  onSuccessId: 10 }, 10, null],
        // Only the id that fits the outcome is used: no message for these
        // (40 and 41 have no listener; a delivery fails the run).
        ["failure without onFailureId", { url: S + "/status/404", onSuccessId: 40 }, 0, null],
        ["success without onSuccessId", { url: S + "/status/200", onFailureId: 41 }, 0, null]
    ];
    for (var i = 0; i < cases.length; ++i) (function (c) {
        PageTest.equal("worker " + c[0] + ": answer", PageTest.execute(4, c[1]), "");
        if (!c[2]) return;
        PageTest.listen(c[2], function (p) {
            if (c[3]) {
                PageTest.equal("worker " + c[0], p, c[3]);
            } else {
                PageTest.check("worker " + c[0], p.result === true && sawHeaders(p.content), JSON.stringify(p));
            }
        });
    })(cases[i]);
}

function installerMain() {
    checkSynchronous();
    checkWorker();
    PageTest.finishWhenIdle();
}
