"use strict";
for (const table of document.querySelectorAll("table.sortable")) {
  const body = table.tBodies[0];
  table.tHead.addEventListener("click", (ev) => {
    const th = ev.target.closest("th");
    if (!th) return;
    const col = th.cellIndex, up = th.dataset.order !== "up";
    for (const h of table.tHead.rows[0].cells) delete h.dataset.order;
    th.dataset.order = up ? "up" : "down";
    const key = (tr) => { const v = parseFloat(tr.cells[col].textContent); return isNaN(v) ? -Infinity : v; };
    const rows = Array.from(body.rows).sort((a, b) => (key(a) - key(b)) * (up ? 1 : -1));
    for (const r of rows) body.appendChild(r);
  });
}
