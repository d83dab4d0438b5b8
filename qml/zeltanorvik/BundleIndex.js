// The labels of the looks and frames: the bundle's own index (":/index.json",
// its "effects", "frames" and "colorfulFrames" lists) when QML may read it,
// else the same lists as they stand here.
//
// QML reads ":/index.json" only when the program lets XMLHttpRequest read
// local files (QML_XHR_ALLOW_FILE_READ=1 in its environment).
.pragma library

var cached = null;
var pending = [];
var requested = false;

var builtIn = {
    effects: [
        { id: 1018, name: "Classic" }, { id: 1019, name: "Elegant" }, { id: 1020, name: "Film" },
        { id: 1021, name: "Retro" }, { id: 1022, name: "Cinnamon" }, { id: 1023, name: "Japanese" },
        { id: 1026, name: "Old photo" }, { id: 1027, name: "Impression" }, { id: 1028, name: "Vivid" },
        { id: 1030, name: "Bright red" }, { id: 1031, name: "Kraft paper" }, { id: 1032, name: "Dazzle" },
        { id: 1033, name: "HDR classic" }, { id: 1034, name: "Black & white" }, { id: 1035, name: "HDR" },
        { id: 1038, name: "Aged yellow" }, { id: 1039, name: "Golden years" }, { id: 1040, name: "Fresh" },
        { id: 1041, name: "Warm" }, { id: 1042, name: "Christmas" }, { id: 1043, name: "Snow" },
        { id: 1044, name: "Night" }, { id: 1045, name: "Halo" }, { id: 1046, name: "Starlight" },
        { id: 1047, name: "Cross-process" }, { id: 1048, name: "Pink lady" }, { id: 1101, name: "Grey" },
        { id: 1102, name: "Sunlit coast" }, { id: 1104, name: "Tilt-shift" }, { id: 1500, name: "Original" }
    ],
    frames: [
        { id: 1701, name: "White" }, { id: 1702, name: "Polka dots" }, { id: 1703, name: "Film strip" },
        { id: 1704, name: "Negative" }, { id: 1705, name: "Pink mood" }, { id: 1706, name: "Vintage" },
        { id: 1707, name: "Black" }, { id: 1708, name: "Tape" }, { id: 1709, name: "Classic" },
        { id: 1710, name: "Scallops" }, { id: 1711, name: "Lace" }, { id: 1712, name: "Camcorder" },
        { id: 1713, name: "Instant photo" }, { id: 1714, name: "Stamp" }
    ],
    colorfulFrames: [
        { id: 1500, name: "Halo" }, { id: 1501, name: "Galaxy" }, { id: 1502, name: "Snowy night" },
        { id: 1503, name: "Hearts" }, { id: 1504, name: "Stars" }, { id: 1505, name: "Flowers" }
    ]
};

// Calls done(index) with the bundle's index, or with the lists above once
// giveUp() is called before the index came (a request that QML may not make
// never answers).
function load(done) {
    if (cached) {
        done(cached);
        return;
    }
    pending.push(done);
    if (requested)
        return;
    requested = true;
    try {
        var request = new XMLHttpRequest();
        request.onreadystatechange = function() {
            if (request.readyState !== XMLHttpRequest.DONE)
                return;
            var index = null;
            try {
                index = JSON.parse(request.responseText);
            } catch (e) {
                index = null;
            }
            settle(index);
        };
        request.open("GET", "qrc:/index.json");
        request.send();
    } catch (e) {
        settle(null);
    }
}

function giveUp() {
    settle(null);
}

function settle(index) {
    if (cached)
        return;
    cached = index && index.effects && index.frames && index.colorfulFrames ? index : builtIn;
    var waiting = pending;
    pending = [];
    for (var i = 0; i < waiting.length; ++i)
        waiting[i](cached);
}

// The entries of one list as { key, id, label, kind }.
function entries(index, list, kind) {
    var result = [];
    var source = index && index[list] ? index[list] : [];
    for (var i = 0; i < source.length; ++i)
        result.push({ key: kind + source[i].id, id: source[i].id, label: source[i].name, kind: kind });
    return result;
}
