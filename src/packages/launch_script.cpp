#include "packages/scorm_package.h"

namespace tamberlin {

namespace {

// The script of the launch page. It runs before the launch page's body exists; the page
// defines tamberlinPackage (the run-time version, the pass mark, the quiz page's address and the
// pictures whose addresses the package had to change) just before it.
constexpr std::string_view kLaunchScript =
    R"JS(// Runs the quiz page in the launch page's frame and reports its result to the learning
// platform through the platform's run-time API. Without an API the quiz runs as it would alone.
(function () {
    "use strict";
    var config = window.tamberlinPackage;
    var is12 = config.version === "1.2";
    var apiName = is12 ? "API" : "API_1484_11";
    var names = is12 ? {
        init: "LMSInitialize", get: "LMSGetValue", set: "LMSSetValue",
        commit: "LMSCommit", finish: "LMSFinish"
    } : {
        init: "Initialize", get: "GetValue", set: "SetValue",
        commit: "Commit", finish: "Terminate"
    };
    var api = null;
    var started = false;
    var finished = false;
    var sent = false;
    var learner = null;
    var frameLoadedAt = new Date().getTime();

    // Looks for the API in win and the windows above it.
    function searchUp(win) {
        for (var depth = 0; win && depth < 500; depth++) {
            try {
                if (win[apiName]) {
                    return win[apiName];
                }
            } catch (e) {
                // A window of another origin: its API cannot be used from here.
            }
            if (!win.parent || win.parent === win) {
                break;
            }
            win = win.parent;
        }
        return null;
    }

    function findApi() {
        var found = searchUp(window);
        if (!found && window.opener) {
            found = searchUp(window.opener);
        }
        if (!found && window.top && window.top.opener) {
            found = searchUp(window.top.opener);
        }
        return found;
    }

    function get(element) {
        return String(api[names.get](element));
    }

    function set(element, value) {
        api[names.set](element, String(value));
    }

    function finish() {
        if (!started || finished) {
            return;
        }
        finished = true;
        api[names.commit]("");
        api[names.finish]("");
    }

    function setCookie(name, value) {
        document.cookie = name + "=" + escape(value);
    }

    function twoDigits(n) {
        return (n < 10 ? "0" : "") + n;
    }

    // The elapsed time the page's clock shows ("m:ss"), in seconds; the time since the quiz
    // was loaded when the clock has none.
    function elapsedSeconds(lapsed) {
        var match = /^(\d+):(\d\d)$/.exec(lapsed || "");
        if (match) {
            return parseInt(match[1], 10) * 60 + parseInt(match[2], 10);
        }
        return Math.max(0, Math.round((new Date().getTime() - frameLoadedAt) / 1000));
    }

    function sessionTime(seconds) {
        var h = Math.floor(seconds / 3600);
        var m = Math.floor(seconds / 60) % 60;
        var s = seconds % 60;
        if (is12) {
            return twoDigits(Math.min(h, 9999)) + ":" + twoDigits(m) + ":" + twoDigits(s);
        }
        return "PT" + h + "H" + m + "M" + s + "S";
    }

    // The letter chosen for every question, read from the form's radio buttons.
    function chosenLetters(form, count) {
        var letters = [];
        for (var n = 1; n <= count; n++) {
            letters[n] = "";
        }
        for (var i = 0; i < form.elements.length; i++) {
            var element = form.elements[i];
            var match = /^q(\d+)$/.exec(element.name || "");
            if (match && element.type === "radio" && element.checked) {
                letters[parseInt(match[1], 10)] = element.value;
            }
        }
        return letters;
    }

    function report(form, page) {
        var count = parseInt(page.count, 10) || 0;
        var right = page.ans || [];
        var letters = chosenLetters(form, count);
        var score = parseInt(form.score ? form.score.value : "", 10);
        if (isNaN(score)) {
            var correct = 0;
            for (var q = 1; q <= count; q++) {
                if (letters[q] !== "" && letters[q] === right[q]) {
                    correct++;
                }
            }
            score = count > 0 ? Math.round(correct / count * 100) : 0;
        }
        var passed = score >= config.passPercent;
        var seconds = elapsedSeconds(form.lapsed ? form.lapsed.value : "");
        var prefix = is12 ? "cmi.core." : "cmi.";
        set(prefix + "score.raw", score);
        set(prefix + "score.min", 0);
        set(prefix + "score.max", 100);
        if (is12) {
            set("cmi.core.lesson_status", passed ? "passed" : "failed");
        } else {
            set("cmi.score.scaled", score / 100);
            set("cmi.success_status", passed ? "passed" : "failed");
            set("cmi.completion_status", "completed");
            set("cmi.exit", "normal");
        }
        set(prefix + "session_time", sessionTime(seconds));
        for (var n = 1; n <= count; n++) {
            var base = "cmi.interactions." + (n - 1) + ".";
            // Choice responses are lower-case letters in the older run-time.
            var mine = is12 ? letters[n].toLowerCase() : letters[n];
            var key = String(right[n] || "");
            key = is12 ? key.toLowerCase() : key;
            var isRight = letters[n] !== "" && letters[n] === right[n];
            set(base + "id", "q" + n);
            set(base + "type", "choice");
            if (key !== "") {
                set(base + "correct_responses.0.pattern", key);
            }
            set(base + (is12 ? "student_response" : "learner_response"), mine);
            set(base + "result", isRight ? "correct" : (is12 ? "wrong" : "incorrect"));
            set(base + "weighting", 1);
        }
        finish();
        return score;
    }

    function showRecorded(frame, score) {
        frame.srcdoc = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" +
            "<title>Your score has been recorded</title></head>" +
            "<body style=\"font-family: sans-serif; text-align: center; margin-top: 4em\">" +
            "<h1>Your score has been recorded</h1>" +
            "<p>Your score: " + score + "%</p></body></html>";
    }

    // Reports a submission the page let go; an absolute http(s) results address also gets its
    // post, into a hidden frame, before the quiz frame shows the closing page.
    function deliver(frame, form, page, postNow) {
        if (sent) {
            return false;
        }
        sent = true;
        var score = report(form, page);
        var action = form.getAttribute("action") || "";
        if (/^https?:\/\//i.test(action)) {
            var copy = document.getElementsByName("tamberlin_copy")[0];
            var shown = false;
            var show = function () {
                if (!shown) {
                    shown = true;
                    showRecorded(frame, score);
                }
            };
            copy.addEventListener("load", show);
            window.setTimeout(show, 10000);
            form.target = "tamberlin_copy";
            if (postNow) {
                page.HTMLFormElement.prototype.submit.call(form);
            }
            return true;
        }
        showRecorded(frame, score);
        return false;
    }

    // Pictures that the package holds under another address than the page's.
    function movePictures(doc) {
        var moved = config.pictures;
        for (var i = 0; i < doc.images.length; i++) {
            var address = doc.images[i].getAttribute("src");
            if (Object.prototype.hasOwnProperty.call(moved, address)) {
                doc.images[i].setAttribute("src", moved[address]);
            }
        }
        var background = doc.body ? doc.body.getAttribute("background") : null;
        if (background !== null && Object.prototype.hasOwnProperty.call(moved, background)) {
            doc.body.setAttribute("background", moved[background]);
        }
    }

    function connectPage(frame) {
        var page;
        var doc;
        try {
            page = frame.contentWindow;
            doc = page.document;
        } catch (e) {
            return;
        }
        movePictures(doc);
        var form = doc.forms.quizform;
        if (!api || !started || !form || form.tamberlinConnected) {
            return;
        }
        form.tamberlinConnected = true;
        if (learner && (page.username === undefined || page.username === null)) {
            page.username = learner.name;
            page.email = learner.id;
        }
        // Runs after the page's own onsubmit check; a refused submission is already cancelled.
        form.addEventListener("submit", function (event) {
            if (event.defaultPrevented || sent) {
                return;
            }
            if (!deliver(frame, form, page, false)) {
                event.preventDefault();
            }
        });
        // A script's form.submit() skips the submit event: score the form as Check Score does.
        form.submit = function () {
            if (sent) {
                return;
            }
            var scored = form.score && /^\d+%$/.test(form.score.value);
            if (!scored && typeof page.getscore === "function" && !page.getscore()) {
                return;
            }
            deliver(frame, form, page, true);
        };
    }

    function start() {
        var frame = document.getElementById("quiz");
        api = findApi();
        if (api) {
            started = String(api[names.init]("")) === "true";
        }
        if (started) {
            var name = get(is12 ? "cmi.core.student_name" : "cmi.learner_name");
            var id = get(is12 ? "cmi.core.student_id" : "cmi.learner_id");
            learner = {name: name, id: id};
            // The page reads the taker's name and e-mail address from these cookies.
            setCookie("username", name);
            setCookie("email", id);
            if (is12) {
                if (get("cmi.core.lesson_status") === "not attempted") {
                    set("cmi.core.lesson_status", "incomplete");
                }
            } else if (get("cmi.completion_status") !== "completed") {
                set("cmi.completion_status", "incomplete");
            }
        }
        frame.addEventListener("load", function () {
            connectPage(frame);
        });
        frameLoadedAt = new Date().getTime();
        frame.src = config.page;
    }

    window.addEventListener("DOMContentLoaded", start);
    // Leaving without a result still closes the session, so the platform keeps the attempt.
    window.addEventListener("pagehide", finish);
})();
)JS";

} // namespace

std::string_view LaunchScript() {
    return kLaunchScript;
}

} // namespace tamberlin
