// The journal, newest line first, read again every few seconds.
'use strict';

(() => {
  const body = document.getElementById('journal');
  async function refresh() {
    const lines = await Zeltar.api('/api/v1/journal');
    body.replaceChildren(...lines.map((line) => Zeltar.el('tr', {}, Zeltar.el('td', {}, line))));
  }
  Zeltar.ready.then(() => {
    refresh();
    setInterval(() => refresh().catch(() => {}), 5000);
  });
})();
