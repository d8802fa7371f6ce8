// Active alarms, with the acknowledgement for a logged-in user, and a week of the history.
'use strict';

(() => {
  const { el } = Zeltar;
  let session = {};

  async function acknowledge(id) {
    await Zeltar.api(`/api/v1/alarms/${encodeURIComponent(id)}/ack`, {
      method: 'POST', headers: { 'X-CSRF-Token': session.csrf } });
    refresh();
  }

  function activeRow(a) {
    const waiting = a.state === 'active' || a.state === 'returned';
    const button = session.user && waiting
      ? el('button', { type: 'button', 'data-alarm': a.id }, 'Квитировать') : '';
    if (button) button.addEventListener('click', () => acknowledge(a.id).catch((e) => alert(e.message)));
    return el('tr', { id: `alarm-${a.id}` }, el('td', {}, `${a.device}. ${a.name}`),
      el('td', {}, Zeltar.kindNames[a.kind] || a.kind),
      el('td', { class: 'state' }, Zeltar.stateNames[a.state] || a.state),
      el('td', {}, Zeltar.numberText(a.value)), el('td', {}, button));
  }

  function historyRow(e) {
    return el('tr', {}, el('td', {}, Zeltar.momentText(e.time)), el('td', {}, `${e.device}. ${e.name}`),
      el('td', {}, Zeltar.kindNames[e.kind] || e.kind), el('td', {}, Zeltar.stateNames[e.state] || e.state),
      el('td', {}, Zeltar.numberText(e.value)));
  }

  async function refresh() {
    const to = new Date();
    const from = new Date(to.getTime() - 7 * 86400 * 1000);
    const alarms = await Zeltar.api(`/api/v1/alarms?from=${Zeltar.iso(from)}&to=${Zeltar.iso(to)}`);
    document.getElementById('active').replaceChildren(...alarms.active.map(activeRow));
    document.getElementById('history').replaceChildren(...alarms.history.map(historyRow));
  }

  Zeltar.ready.then((status) => {
    session = status.session || {};
    const hint = document.getElementById('hint');
    if (!status.alarms) hint.textContent = 'Тревоги на этой станции не ведутся.';
    else if (!session.user) hint.textContent = 'Чтобы квитировать тревогу, войдите.';
    refresh();
    setInterval(() => refresh().catch(() => {}), 5000);
  });
})();
