// The clock of a published quiz page. The page loads this file from its own folder and calls
// startclock() and then checkLocation() when it has loaded; its script reads lapsedtimestr
// when the taker presses Check Score and posts it in the hidden field "lapsed".
//
// The clock counts down from secsAllowed (set by the page) in minutes and seconds on the five
// pictures named min, minu, gap, sec and secu, using 0fdg.gif .. 9fdg.gif for the digits and
// cfdg.gif for the colon. When secsAllowed is not a positive number it counts up instead.
// When the time is up the taker is told once; the answers can still be sent.
// Missing pictures only show as broken images: the quiz itself keeps working.

// The time since the page started, as "m:ss" text.
var lapsedtimestr = "0:00";

var clockStartTime = null;
var clockTimer = null;
var clockTimeUpShown = false;

function clockSecondsAllowed() {
    if (typeof secsAllowed == "number" && isFinite(secsAllowed) && secsAllowed > 0) {
        return Math.floor(secsAllowed);
    }
    return 0;
}

function clockElapsedText(seconds) {
    var secs = seconds % 60;
    return Math.floor(seconds / 60) + ":" + (secs < 10 ? "0" : "") + secs;
}

function clockSetPicture(name, file) {
    var picture = document.images ? document.images[name] : null;
    if (picture && picture.getAttribute("src") != file) {
        picture.src = file;
    }
}

// Shows a number of seconds as mm:ss; more than 99 minutes shows as 99:59.
function clockShow(seconds) {
    var minutes = Math.floor(seconds / 60);
    var secs = seconds % 60;
    if (minutes > 99) {
        minutes = 99;
        secs = 59;
    }
    clockSetPicture("min", Math.floor(minutes / 10) + "fdg.gif");
    clockSetPicture("minu", (minutes % 10) + "fdg.gif");
    clockSetPicture("gap", "cfdg.gif");
    clockSetPicture("sec", Math.floor(secs / 10) + "fdg.gif");
    clockSetPicture("secu", (secs % 10) + "fdg.gif");
}

function clockTick() {
    var elapsed = Math.floor((new Date().getTime() - clockStartTime) / 1000);
    if (elapsed < 0) {
        elapsed = 0;
    }
    lapsedtimestr = clockElapsedText(elapsed);
    var allowed = clockSecondsAllowed();
    if (allowed == 0) {
        clockShow(elapsed);
        return;
    }
    var left = allowed - elapsed;
    if (left <= 0) {
        clockShow(0);
        if (!clockTimeUpShown) {
            clockTimeUpShown = true;
            window.status = "Time is up";
            alert("Time is up! Please answer the remaining questions now and press Check Score.");
        }
        return;
    }
    clockShow(left);
}

function startclock() {
    if (clockTimer != null) {
        return;
    }
    clockStartTime = new Date().getTime();
    clockTimeUpShown = false;
    clockTick();
    clockTimer = window.setInterval(clockTick, 1000);
}

// Keeps the quiz in a window of its own: a page shown inside another site's frame breaks out.
// The launch page of a learning-platform package (same site, it defines tamberlinPackage) frames
// the quiz on purpose: there the quiz stays.
function checkLocation() {
    var packaged = false;
    try {
        packaged = window.parent != window.self && !!window.parent.tamberlinPackage;
    } catch (e) {
        // Another site's frame: not a package.
    }
    if (packaged) {
        return;
    }
    try {
        if (window.top && window.top != window.self) {
            window.top.location = window.self.location.href;
        }
    } catch (e) {
        // A frame from another site may refuse access; the quiz works inside it all the same.
    }
}
