#!/usr/bin/env node
// The browser side of bench/fidelity: counts what each selector matches in
// each page as parsed by Chromium's own HTML parser.
//
//     fidelity-browser.js CHROMIUM SELECTORS_FILE PAGE_DIR OUTPUT
//
// SELECTORS_FILE holds one selector a line; PAGE_DIR the pages as UTF-8
// (bench/fidelity.py writes them so). Chromium runs headless with a fresh
// empty profile and is driven over the DevTools protocol on a pipe
// (--remote-debugging-pipe: commands in on fd 3, answers out on fd 4, each
// message JSON ended by a NUL byte), so no port is opened and nothing is
// fetched. Each page's text is read here and handed to the blank page as a
// string, which parses it with DOMParser (text/html): a DOMParser document
// runs no script and loads nothing, so what is counted is the parser's tree
// alone. OUTPUT gets one line per page and selector: PAGE TAB INDEX TAB COUNT,
// INDEX the selector's line number from 0, COUNT querySelectorAll(...).length
// (-1 when the browser refuses the selector).

"use strict";

const { spawn } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");

const FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--disable-extensions", "--remote-debugging-pipe"];

// The DevTools protocol over the pipe: send() returns a promise of the
// answer to one command.
class devtools {
    constructor(child) {
        this.next_id = 1;
        this.waiting = new Map();
        this.pending = Buffer.alloc(0);
        this.out = child.stdio[3];
        child.stdio[4].on("data", (chunk) => this.receive(chunk));
    }

    send(method, params = {}, sessionId = undefined) {
        const id = this.next_id++;
        const message = { id, method, params };
        if (sessionId) message.sessionId = sessionId;
        this.out.write(JSON.stringify(message) + "\0");
        return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject, method }));
    }

    receive(chunk) {
        this.pending = Buffer.concat([this.pending, chunk]);
        let end;
        while ((end = this.pending.indexOf(0)) >= 0) {
            const message = JSON.parse(this.pending.subarray(0, end).toString("utf8"));
            this.pending = this.pending.subarray(end + 1);
            const waiter = message.id && this.waiting.get(message.id);
            if (!waiter) continue;  // an event
            this.waiting.delete(message.id);
            if (message.error) {
                waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
            } else {
                waiter.resolve(message.result);
            }
        }
    }
}

// Defined in the blank page: parses TEXT and counts each selector's matches.
const COUNTER = `globalThis.fidelity_count = (text, selectors) => {
    const document = new DOMParser().parseFromString(text, "text/html");
    return selectors.map((selector) => {
        try { return document.querySelectorAll(selector).length; } catch (error) { return -1; }
    });
}; true`;

async function main() {
    const [chromium, selectors_file, page_dir, output] = process.argv.slice(2);
    if (!output) {
        console.error("usage: fidelity-browser.js CHROMIUM SELECTORS_FILE PAGE_DIR OUTPUT");
        process.exit(2);
    }
    const selectors = fs.readFileSync(selectors_file, "utf8").split("\n").filter((s) => s !== "");
    const pages = fs.readdirSync(page_dir).filter((name) => name.endsWith(".html")).sort();
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), "fidelity-chromium."));
    const child = spawn(chromium, [...FLAGS, `--user-data-dir=${profile}`, "about:blank"],
                        { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    let chromium_errors = "";
    child.stderr.on("data", (chunk) => { chromium_errors = (chromium_errors + chunk).slice(-4000); });
    let closing = false;
    const exited = new Promise((resolve) => child.on("exit", resolve));
    child.on("exit", (code, signal) => {
        if (!closing && (code !== 0 || signal)) {
            console.error(`fidelity-browser.js: chromium ended (${signal || code}):\n${chromium_errors}`);
            process.exit(1);
        }
    });
    const browser = new devtools(child);
    const lines = [];
    try {
        const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
        const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
        const evaluate = async (expression) => {
            const answer = await browser.send("Runtime.evaluate",
                                              { expression, returnByValue: true }, sessionId);
            if (answer.exceptionDetails) {
                throw new Error(answer.exceptionDetails.exception?.description || "exception");
            }
            return answer.result.value;
        };
        await evaluate(COUNTER);
        const quoted_selectors = JSON.stringify(selectors);
        for (const page of pages) {
            const text = fs.readFileSync(path.join(page_dir, page), "utf8");
            const counts = await evaluate(
                `fidelity_count(${JSON.stringify(text)}, ${quoted_selectors})`);
            counts.forEach((count, index) => lines.push(`${page}\t${index}\t${count}`));
        }
        await browser.send("Browser.getVersion").then((version) =>
            console.error(`fidelity-browser.js: ${version.product}, ${pages.length} pages`));
        fs.writeFileSync(output, lines.join("\n") + "\n");
    } finally {
        // Chromium writes to its profile until it has exited.
        closing = true;
        child.kill();
        await exited;
        fs.rmSync(profile, { recursive: true, force: true });
    }
}

main().catch((error) => {
    console.error(`fidelity-browser.js: ${error.message}`);
    process.exit(1);
});
